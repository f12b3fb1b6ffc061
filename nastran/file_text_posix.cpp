// Files mapped with mmap: the deck's pages come straight from the file cache, read ahead in one
// go (MAP_POPULATE where there is one), with no copy into a buffer of our own.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "nastran/file_text.h"

namespace nastran {

namespace {

// Closes the descriptor on every path.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace

FileText FileText::read(const std::filesystem::path& path) {
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT) throw std::runtime_error("no such file");
    throw std::runtime_error(std::strerror(errno));
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) throw std::runtime_error(std::strerror(errno));
  if (S_ISDIR(status.st_mode)) throw std::runtime_error("it is a folder, not a file");
  if (!S_ISREG(status.st_mode) || status.st_size == 0) return FileText(readWhole(path));
  int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;
#endif
  void* mapping = ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, flags, file.get(), 0);
  if (mapping == MAP_FAILED) return FileText(readWhole(path));
  FileText text;
  text.mapping_ = static_cast<const char*>(mapping);
  text.size_ = static_cast<std::size_t>(status.st_size);
  return text;
}

void FileText::release() {
  if (mapping_) ::munmap(const_cast<char*>(mapping_), size_);
  mapping_ = nullptr;
  size_ = 0;
}

}  // namespace nastran
