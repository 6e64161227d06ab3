#include "batch/batch_input.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "temporary_folder.hpp"

// poll() for this test process: the next `interrupted_polls` calls fail as if a signal came
// first (EINTR); every other call is the system's. Declared here, without <poll.h>, whose
// fortified build defines poll() inline.
struct pollfd;
namespace {
std::atomic<int> interrupted_polls{0};
}  // namespace

extern "C" int poll(pollfd* descriptors, unsigned long count, int timeout) {
  if (interrupted_polls > 0) {
    --interrupted_polls;
    errno = EINTR;
    return -1;
  }
  using Poll = int (*)(pollfd*, unsigned long, int);
  static const auto system_poll = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "poll"));
  return system_poll(descriptors, count, timeout);
}

namespace itemlookup {
namespace {

using Lines = std::vector<std::string>;

// Standard input, while it lives, is a socket that hands over one of `pieces` per read, as a
// pipe does when its writer pauses between them.
class PiecesOnStandardInput {
 public:
  explicit PiecesOnStandardInput(std::initializer_list<std::string_view> pieces) {
    int pair[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    for (const std::string_view piece : pieces) {
      EXPECT_EQ(send(pair[0], piece.data(), piece.size(), 0), static_cast<ssize_t>(piece.size()));
    }
    close(pair[0]);
    saved_ = dup(STDIN_FILENO);
    dup2(pair[1], STDIN_FILENO);
    close(pair[1]);
  }
  ~PiecesOnStandardInput() {
    dup2(saved_, STDIN_FILENO);
    close(saved_);
  }
  PiecesOnStandardInput(const PiecesOnStandardInput&) = delete;
  PiecesOnStandardInput& operator=(const PiecesOnStandardInput&) = delete;

 private:
  int saved_ = -1;
};

Lines lines_of(std::initializer_list<std::string_view> pieces) {
  PiecesOnStandardInput input(pieces);
  BatchInput batch("-");
  Lines lines;
  InputLine line;
  while (batch.next(line)) lines.push_back(line.text);
  return lines;
}

TEST(BatchInput, ByteOrderMarkInPiecesIsSkipped) {
  EXPECT_EQ(lines_of({"\xef", "\xbb\xbfitem 1001\n", "item 1002\n"}),
            (Lines{"item 1001", "item 1002"}));
  EXPECT_EQ(lines_of({"\xef", "\xbb", "\xbf", "item 1001"}), (Lines{"item 1001"}));
  // The start of a mark that does not go on is part of the line.
  EXPECT_EQ(lines_of({"\xef\xbb", "x\n"}), (Lines{"\xef\xbbx"}));
}

TEST(BatchInput, CarriageReturnBeforeLineFeedEndsTheLine) {
  EXPECT_EQ(lines_of({"item 1001\r\n", "item 1002\r", "\nitem 1003\r\n"}),
            (Lines{"item 1001", "item 1002", "item 1003"}));
  // A '\r' elsewhere is the line's own, and so is one at the very end of the input.
  EXPECT_EQ(lines_of({"a\rb\r\r\n", "c\r"}), (Lines{"a\rb\r", "c\r"}));
}

TEST(BatchInput, CarriageReturnCountsNeitherInTheTextNorInTheLength) {
  // A line of exactly the most bytes, with CRLF, is not too long; one byte more is.
  const std::string most(kMostLineBytes, 'x');
  const test_support::TemporaryFolder folder;
  const std::string file = (folder / "crlf_lines.txt").string();
  std::ofstream(file, std::ios::binary) << most << "\r\n" << most << "y\r\n";
  BatchInput batch(file);
  InputLine line;
  ASSERT_TRUE(batch.next(line));
  EXPECT_EQ(line.length, kMostLineBytes);
  EXPECT_EQ(line.text, most);
  EXPECT_FALSE(line.too_long());
  ASSERT_TRUE(batch.next(line));
  EXPECT_EQ(line.length, kMostLineBytes + 1);
  EXPECT_EQ(line.text, most);
  EXPECT_TRUE(line.too_long());
}

// The wait bound's timer signal may interrupt the poll that asks whether the next read would
// wait. That poll then says nothing of the input, so the answers so far go out before the read,
// rather than staying behind it if it blocks.
TEST(BatchInput, AnInterruptedLookAheadCountsAsAWait) {
  PiecesOnStandardInput input({"item 1001\n", "item 1002\n"});
  BatchInput batch("-");
  int flushes = 0;
  batch.before_waiting([&flushes] { ++flushes; });
  InputLine line;
  interrupted_polls = 1;
  ASSERT_TRUE(batch.next(line));
  EXPECT_EQ(flushes, 1);
  // The next piece is there: no wait, so nothing to hand over first.
  ASSERT_TRUE(batch.next(line));
  EXPECT_EQ(line.text, "item 1002");
  EXPECT_EQ(flushes, 1);
}

}  // namespace
}  // namespace itemlookup
