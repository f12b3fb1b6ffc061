#include "runtime/run_log.h"

#include <cerrno>
#include <cstring>

namespace runtime {

namespace {

std::string reason() { return errno != 0 ? std::string(": ") + std::strerror(errno) : ""; }

}  // namespace

RunLog::RunLog(const std::filesystem::path& file, std::string cleanWording)
    : path_(file), cleanWording_(std::move(cleanWording)) {
  errno = 0;
  file_.open(file, std::ios::binary | std::ios::trunc);
  if (!file_) failure_ = "Cannot create the file " + path_.string() + reason();
}

RunLog::~RunLog() { close(); }

void RunLog::line(std::string_view text) { line({}, text); }

void RunLog::line(std::string_view prefix, std::string_view text) {
  if (!file_.is_open()) return;
  file_ << prefix << text << "\r\n";
  written();
}

void RunLog::written() {
  errno = 0;
  file_.flush();
  if (!file_ && failure_.empty()) failure_ = "Cannot write the file " + path_.string() + reason();
}

void RunLog::log(std::string_view text) { line(kLogPrefix, text); }

void RunLog::error(std::string_view text) { line(kErrorPrefix, text); }

bool RunLog::checkError(support::Err& err, std::string_view position) {
  const bool pending = err.pending();
  if (pending) {
    std::string banner = "--------------------";
    banner.append(position).append("--------------------");
    line(banner);
    error(err.description());
    line("");
  } else if (file_.is_open()) {
    file_ << kLogPrefix << cleanWording_ << position << "\r\n";
    written();
  }
  err.clear();
  return pending;
}

bool RunLog::close() {
  if (file_.is_open()) {
    errno = 0;
    file_.close();
    if (!file_ && failure_.empty()) failure_ = "Cannot write the file " + path_.string() + reason();
  }
  return failure_.empty();
}

}  // namespace runtime
