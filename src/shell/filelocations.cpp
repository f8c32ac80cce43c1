// The file-location rule and the reading of this process's environment for it.
#include "shell/filelocations.h"

#include "runtime/soundcues.h"

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#ifndef TOVANA_INSTALLED_DATADIR
#error "TOVANA_INSTALLED_DATADIR names the installed data folder; the build defines it"
#endif
#ifndef TOVANA_DATADIR_FROM_BINDIR
#error "TOVANA_DATADIR_FROM_BINDIR is the data folder relative to the executable's folder"
#endif

namespace tov::shell {
namespace {

constexpr const char* kProgramFolder = "tovana";
constexpr const char* kSettingsFileName = "tovana.ini";

bool holds(const std::filesystem::path& folder, const char* name)
{
    std::error_code ignored;
    return !folder.empty() && std::filesystem::is_regular_file(folder / name, ignored);
}

// An XDG base directory: the variable when it is an absolute path (relative values are
// to be ignored), else the fallback under the home folder; empty when there is no home.
std::filesystem::path baseDirectory(const std::string& variable, const std::string& home,
                                    const char* fallback)
{
    if (!variable.empty() && std::filesystem::path(variable).is_absolute()) {
        return variable;
    }
    if (home.empty()) {
        return {};
    }
    return std::filesystem::path(home) / fallback;
}

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// $HOME, else the home folder of the user in the password database (a service started
// with a scrubbed environment still has one).
std::string homeFolder()
{
    std::string home = environmentValue("HOME");
    if (!home.empty()) {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
        home = found->pw_dir;
    }
    return home;
}

} // namespace

FileEnvironment FileEnvironment::forThisProcess(const std::filesystem::path& executable)
{
    FileEnvironment environment;
    std::error_code error;
    environment.workdir = std::filesystem::current_path(error);
    if (error) {
        environment.workdir.clear(); // a removed working directory: relative names still work
    }
    environment.executable = executable;
    const std::filesystem::path relocated =
        executable.parent_path() / TOVANA_DATADIR_FROM_BINDIR / kProgramFolder;
    environment.installeddatadir = holds(relocated, runtime::kSoundBankFile)
                                       ? relocated.lexically_normal()
                                       : std::filesystem::path(TOVANA_INSTALLED_DATADIR);
    environment.xdgConfigHome = environmentValue("XDG_CONFIG_HOME");
    environment.xdgDataHome = environmentValue("XDG_DATA_HOME");
    environment.home = homeFolder();
    return environment;
}

FileLocations FileLocations::decide(const FileEnvironment& environment)
{
    FileLocations files;
    const std::filesystem::path exedir = environment.executable.parent_path();
    if (holds(exedir, runtime::kSoundBankFile)) {
        files.layout_ = Layout::Portable;
        // A removed working directory: the executable's own folder is the next best.
        files.datadir_ = environment.workdir.empty() ? exedir : environment.workdir;
        files.statedir_ = files.datadir_;
        files.settingsfile_ =
            std::filesystem::path(environment.executable).replace_extension(".ini");
        return files;
    }
    files.layout_ = Layout::Installed;
    files.datadir_ = environment.installeddatadir;
    // Without any home folder the user's files go to the working directory, the one
    // folder this user chose; never beside the executable, which may be /usr/bin.
    const auto config = baseDirectory(environment.xdgConfigHome, environment.home, ".config");
    const auto data = baseDirectory(environment.xdgDataHome, environment.home, ".local/share");
    files.settingsfile_ = config.empty() ? environment.workdir / kSettingsFileName
                                         : config / kProgramFolder / kSettingsFileName;
    files.userdatadir_ = data.empty() ? std::filesystem::path() : data / kProgramFolder;
    files.statedir_ = data.empty() ? environment.workdir : files.userdatadir_;
    return files;
}

std::filesystem::path FileLocations::memoryimage() const
{
    return statedir_ / runtime::kMemoryImageFile;
}

std::filesystem::path FileLocations::datafile(const std::string& name) const
{
    if (layout_ == Layout::Installed && holds(userdatadir_, name.c_str())) {
        return userdatadir_ / name;
    }
    return datadir_ / name;
}

std::filesystem::path FileLocations::locate(const std::string& name) const
{
    return name == runtime::kMemoryImageFile ? memoryimage() : datafile(name);
}

runtime::FileLocator FileLocations::locator() const
{
    return [files = *this](const std::string& name) { return files.locate(name); };
}

void FileLocations::createfolders() const
{
    if (layout_ != Layout::Installed) {
        return;
    }
    std::error_code ignored;
    std::filesystem::create_directories(settingsfile_.parent_path(), ignored);
    std::filesystem::create_directories(statedir_, ignored);
}

FileLocations locateFiles(const std::filesystem::path& executable)
{
    const FileLocations files = FileLocations::decide(FileEnvironment::forThisProcess(executable));
    files.createfolders();
    return files;
}

} // namespace tov::shell
