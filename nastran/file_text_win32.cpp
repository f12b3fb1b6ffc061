// Files read whole into memory: the simple way, which every Windows file system takes.
#include "nastran/file_text.h"

namespace nastran {

FileText FileText::read(const std::filesystem::path& path) { return FileText(readWhole(path)); }

void FileText::release() {}

}  // namespace nastran
