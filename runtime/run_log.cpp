#include "runtime/run_log.h"

#include <exception>

namespace runtime {

RunLog::RunLog(const std::filesystem::path& file, std::string cleanWording)
    : cleanWording_(std::move(cleanWording)) {
  try {
    writer_ = std::make_unique<support::TextFileWriter>(file);
  } catch (const std::exception& failure) {
    failure_ = failure.what();
  }
}

RunLog::~RunLog() { close(); }

void RunLog::line(std::string_view text) {
  if (writer_ && !writer_->committed()) writer_->writeLine(text);
}

void RunLog::line(std::string_view prefix, std::string_view text) {
  if (!writer_ || writer_->committed()) return;
  writer_->write(prefix);
  writer_->writeLine(text);
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
  } else if (writer_ && !writer_->committed()) {
    writer_->write(kLogPrefix);
    writer_->write(cleanWording_);
    writer_->writeLine(position);
  }
  err.clear();
  return pending;
}

bool RunLog::close() {
  if (!writer_) return false;
  if (writer_->committed()) return failure_.empty();
  try {
    writer_->commit();
  } catch (const std::exception& failure) {
    failure_ = failure.what();
    writer_.reset();
    return false;
  }
  return true;
}

}  // namespace runtime
