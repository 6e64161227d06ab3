// A batch's input as a descriptor of the C runtime: opened, read, closed, and asked whether the
// next read would wait for more (a pipe whose writer pauses, a terminal).
#pragma once

#include <cstddef>
#include <string>

namespace itemlookup::platform {

// The descriptor, or -1 with `failure` naming the reason ("it is a folder" for a folder).
int open_input_file(const std::string& name, std::string& failure);
void close_input_file(int descriptor);
// Bytes read, 0 at the end, -1 with errno set.
long read_input(int descriptor, char* buffer, std::size_t size);
// A read now would wait: nothing has come yet, and the input has not ended.
bool read_would_wait(int descriptor);

}  // namespace itemlookup::platform
