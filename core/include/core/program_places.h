// Where a run keeps what it writes for itself: the library module, the
// images of the last merge and the merged file. A portable program keeps
// them in its own folder; an installed one, or one whose folder this user
// cannot write, keeps them in the user's own folders.
#pragma once

#include <string>

namespace vellumark {

// The file an install puts beside the program. Its presence says the folder
// belongs to the package manager, which would otherwise find our files
// there when it removes the package, even for root, who could write them.
inline constexpr const char* kInstalledMarkerName = "/vellumark-installed";

struct ProgramPlaces {
    std::string imageDirectory;   // holds "临时图片"; no trailing separator
    std::string outputDirectory;  // holds "电子发票.pdf"
    std::string moduleFallback;   // where the module goes when the program folder takes none
    bool inUserFolders = false;   // false: all of them are the program folder
};

// Decides the places for the program in `programDirectory`. User folders
// are the cache folder (images, the module) and the data folder (the merged
// file), made on the spot, readable by their owner alone. The application
// name must be set first: it names those folders.
ProgramPlaces ChoosePlaces(const std::string& programDirectory);

}  // namespace vellumark
