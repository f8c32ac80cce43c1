// Localised strings: the text of message n (common/messages.h) in the current language is the
// string whose id is the language base plus n (Czech 1000, English 2000, Slovak 3000).
// Captions are fetched when each window is created; texts spoken or shown later are
// fetched when used, so they follow a language changed during the run.
#pragma once

#include "common/messages.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tov {

class Profile;

inline constexpr int32_t kCzechBase = 1000;
inline constexpr int32_t kEnglishBase = 2000;
inline constexpr int32_t kSlovakBase = 3000;
inline constexpr int32_t kLanguageStep = 1000;
// The loaders' buffer holds 256 characters with the terminator.
inline constexpr size_t kMaxStringLength = 255;

// Strings by id, Windows-1250. The program has one set, compiledIn(); tests build others.
class StringResources {
public:
    static const StringResources& compiledIn();

    void add(int64_t id, std::string cp1250) { byId_[id] = std::move(cp1250); }
    const std::string* find(int64_t id) const;

private:
    std::map<int64_t, std::string> byId_;
};

// One entry of the language list: the language's own name and its base.
struct LanguageItem {
    std::string text;
    int32_t base;
};

class TResourceLocalizer {
public:
    // The text of id base + number, cut to 255 characters; empty when there is none.
    static std::string getstring(int32_t base, int number,
                                 const StringResources& from = StringResources::compiledIn());
    // Empties the list, then appends each language whose message 0 exists, for base 1000,
    // 2000, ... up to the first base without one.
    static void filllanguages(std::vector<LanguageItem>& list,
                              const StringResources& from = StringResources::compiledIn());
};

// The process's language. readlanguage takes the settings file's value when it is the
// base of a language the program has, the default language otherwise.
struct LanguageSettings {
    int32_t languagebase = kCzechBase;
};
LanguageSettings& languageSettings();

// The message's text in the current language.
std::string message(Message id);

// The language entry of the settings file (settings::kLanguage).
void readlanguage(const Profile& profile);
void writelanguage(const Profile& profile);

} // namespace tov
