#include "check/check_report.hpp"

#include <algorithm>

#include "report/json_writer.hpp"

namespace itemlookup {

namespace {

std::string engine_line(const DatabaseEngine& engine) {
  return engine.name + " " + engine.version + ", driver " + engine.driver + " " +
         engine.driver_version;
}

}  // namespace

std::size_t CheckReport::problems() const {
  return static_cast<std::size_t>(std::count_if(
      findings.begin(), findings.end(), [](const CheckFinding& finding) { return !finding.ok; }));
}

void CheckReport::add(std::string topic, bool ok, std::string detail, std::string fix) {
  // Drivers break long messages into lines; a finding keeps its detail on one.
  std::replace_if(
      detail.begin(), detail.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; },
      ' ');
  findings.push_back({std::move(topic), ok, std::move(detail), ok ? "" : std::move(fix)});
}

std::string check_table(const CheckReport& report) {
  std::size_t topic_width = 0;
  for (const CheckFinding& finding : report.findings) {
    topic_width = std::max(topic_width, finding.topic.size());
  }
  std::string text = "itemlookup check: " + engine_line(report.engine) + "\n";
  for (const CheckFinding& finding : report.findings) {
    text += std::string(finding.ok ? "  ok       " : "  PROBLEM  ") + finding.topic +
            std::string(topic_width - finding.topic.size() + 2, ' ') + finding.detail + "\n";
    if (!finding.ok) text += std::string(11 + topic_width + 2, ' ') + "fix: " + finding.fix + "\n";
  }
  const std::size_t problems = report.problems();
  text += problems == 0 ? std::string("all ok\n")
                        : std::to_string(problems) + (problems == 1 ? " problem\n" : " problems\n");
  return text;
}

std::string check_json(const CheckReport& report) {
  JsonObject engine;
  engine.add_string("name", report.engine.name)
      .add_string("version", report.engine.version)
      .add_string("driver", report.engine.driver)
      .add_string("driver_version", report.engine.driver_version);
  std::string findings;
  for (const CheckFinding& finding : report.findings) {
    JsonObject object;
    object.add_string("topic", finding.topic)
        .add_bool("ok", finding.ok)
        .add_string("detail", finding.detail);
    if (!finding.ok) object.add_string("fix", finding.fix);
    if (!findings.empty()) findings += ',';
    findings += object.text();
  }
  JsonObject object;
  object.add_string("command", "check")
      .add_json("engine", engine.text())
      .add_json("findings", "[" + findings + "]")
      .add_bool("ok", report.problems() == 0)
      .add_number("problems", static_cast<long long>(report.problems()));
  return object.text();
}

}  // namespace itemlookup
