#include "generate/staged_files.h"

#include <algorithm>
#include <atomic>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace generate {

namespace fs = std::filesystem;

namespace {

std::string displayName(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

// A name beside `target` that no other file of this or another process uses.
fs::path asideNameFor(const fs::path& target) {
  static std::atomic<unsigned long> counter{0};
#ifdef _WIN32
  const unsigned long process = static_cast<unsigned long>(_getpid());
#else
  const unsigned long process = static_cast<unsigned long>(getpid());
#endif
  fs::path aside = target;
  aside += ".old-" + std::to_string(process) + "-" + std::to_string(++counter);
  return aside;
}

// Removes a file that is no longer wanted; a file marked read-only is made writable first.
void removeQuietly(const fs::path& path) noexcept {
  std::error_code error;
  if (fs::remove(path, error) || !error) return;
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
  fs::remove(path, error);
}

void renameQuietly(const fs::path& from, const fs::path& to) noexcept {
  std::error_code ignored;
  fs::rename(from, to, ignored);
}

}  // namespace

StagedFiles::~StagedFiles() = default;

support::TextBuffer& StagedFiles::create(const fs::path& target) {
  std::erase_if(files_, [&](const auto& file) { return file->writer.target() == target; });
  try {
    files_.push_back(std::make_unique<File>(target));
  } catch (...) {
    if (!creationFailure_) creationFailure_ = std::current_exception();
    throw;
  }
  return files_.back()->text;
}

void StagedFiles::commitAll() {
  if (creationFailure_) {
    files_.clear();
    std::rethrow_exception(creationFailure_);
  }
  for (const auto& file : files_) file->text.flush();
  std::vector<Aside> moved;
  moveTargetsAside(moved);

  auto restore = [&](std::size_t committedCount) {
    for (std::size_t k = 0; k < committedCount; ++k) removeQuietly(files_[k]->writer.target());
    for (const Aside& old : moved) renameQuietly(old.aside, old.target);
    files_.clear();
  };
  for (std::size_t k = 0; k < files_.size(); ++k) {
    try {
      files_[k]->writer.commit();
    } catch (...) {
      restore(k);
      throw;
    }
  }
  for (const Aside& old : moved) removeQuietly(old.aside);
  files_.clear();
}

// Refuses a target that is a folder, then renames every existing target to its aside name.
// On failure the targets moved so far are moved back.
void StagedFiles::moveTargetsAside(std::vector<Aside>& moved) {
  auto fail = [&](const fs::path& target, std::error_code error) {
    std::system_error failure(error, "Cannot replace the file " + displayName(target));
    for (const Aside& old : moved) renameQuietly(old.aside, old.target);
    moved.clear();
    files_.clear();
    throw failure;
  };
  for (const auto& file : files_) {
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(file->writer.target(), error))) {
      fail(file->writer.target(), std::make_error_code(std::errc::is_a_directory));
    }
  }
  for (const auto& file : files_) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(file->writer.target(), error);
    if (!fs::exists(status)) continue;
    Aside old{file->writer.target(), asideNameFor(file->writer.target())};
    fs::rename(old.target, old.aside, error);
    if (error) fail(old.target, error);
    moved.push_back(std::move(old));
  }
}

}  // namespace generate
