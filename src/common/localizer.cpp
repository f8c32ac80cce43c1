// The string resources and the localizer's operations over them.
#include "common/localizer.h"

#include "common/profile.h"
#include "common/string_tables.h"
#include "common/text.h"

#include <algorithm>

namespace tov {
const StringResources& StringResources::compiledIn()
{
    static const StringResources resources = [] {
        StringResources r;
        const auto add = [&r](int32_t base, std::span<const strings::StringEntry> table) {
            for (const strings::StringEntry& entry : table) {
                r.add(base + static_cast<int>(entry.id), text::fromUtf8(entry.utf8));
            }
        };
        add(kCzechBase, strings::czechTable());
        add(kEnglishBase, strings::englishTable());
        add(kSlovakBase, strings::slovakTable());
        return r;
    }();
    return resources;
}

const std::string* StringResources::find(int64_t id) const
{
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &it->second;
}

std::string TResourceLocalizer::getstring(int32_t base, int number, const StringResources& from)
{
    // 64-bit id: a base read from the settings file may be any 32-bit number.
    const std::string* found = from.find(int64_t{base} + number);
    if (found == nullptr) {
        return {};
    }
    return found->substr(0, kMaxStringLength);
}

void TResourceLocalizer::filllanguages(std::vector<LanguageItem>& list, const StringResources& from)
{
    list.clear();
    for (int64_t base = kCzechBase; base <= INT32_MAX; base += kLanguageStep) {
        const std::string* name = from.find(base + static_cast<int>(Message::LanguageName));
        if (name == nullptr) {
            break;
        }
        list.push_back({name->substr(0, kMaxStringLength), static_cast<int32_t>(base)});
    }
}

LanguageSettings& languageSettings()
{
    static LanguageSettings settings;
    return settings;
}

std::string message(Message id)
{
    return TResourceLocalizer::getstring(languageSettings().languagebase, static_cast<int>(id));
}

void readlanguage(const Profile& profile)
{
    // A base that names no language would pick strings of other ids, or none at all: every
    // caption and message would be wrong. The default language reads instead.
    const int32_t base = profile.read(settings::kLanguage);
    std::vector<LanguageItem> known;
    TResourceLocalizer::filllanguages(known);
    const bool isKnown = std::any_of(
        known.begin(), known.end(), [base](const LanguageItem& item) { return item.base == base; });
    languageSettings().languagebase = isKnown ? base : settings::kLanguage.fallback;
}

void writelanguage(const Profile& profile)
{
    profile.write(settings::kLanguage, languageSettings().languagebase);
}

} // namespace tov
