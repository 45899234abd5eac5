// Writing the carried PDF library module into the program directory and
// loading it in-process.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pdfax {
class Library;
}

namespace vellumark {

inline constexpr const char* kLibraryFileName = "/PDFAX18.dll";

// The module bytes the program carries.
std::string_view EmbeddedModule();

// Makes the file at `path` hold exactly `bytes`: writes it when missing and
// replaces a file that holds anything else (the module of another build,
// whose interface would not match this program's), each time through a
// temporary file renamed into place, so that no process ever loads half a
// module. A folder of that name is left alone. True when the file holds
// `bytes` afterwards.
bool DeployLibraryFile(const std::string& path, std::string_view bytes);

// Loads the module at `path`, asks its factory for the class `classId` and
// creates the object with `interfaceId`. Returns the module handle and
// fills `object` on success; returns null and leaves `object` null on any
// failure (not loadable, no factory, another class or interface version).
void* ActivateFromFile(const std::string& path, const char* classId, const char* interfaceId,
                       pdfax::Library** object);

}  // namespace vellumark
