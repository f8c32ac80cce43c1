// The files a started program finds in its working directory, copied from the build's
// working directory into a test's own folder.
#pragma once

#include <filesystem>

namespace tov::testing {

inline void copyWorkingFiles(const std::filesystem::path& to)
{
    const std::filesystem::path from(TOVANA_WORKDIR);
    for (const char* name : {"sounds.dat", "czech.ebt", "czech.eky", "english.eky", "slovak.eky"}) {
        std::filesystem::copy_file(from / name, to / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

} // namespace tov::testing
