// A collection of named items in insertion order with a name index that ignores case:
// 256 chains keyed by a one-byte hash of the lower-cased name, each chain newest first.
// So of two items whose names differ only in case ("Beep" then "BEEP"), the later one is
// found, whichever case is asked for. Case follows Windows-1250: "Š" and "š" are one letter.
#pragma once

#include "common/text.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tov::sound {

// The chain an item of this name lives in.
uint8_t nameHash(std::string_view name);

// Item must have a `Name` member (std::string).
template <class Item>
class THashCollection {
public:
    THashCollection() = default;
    THashCollection(const THashCollection&) = delete;
    THashCollection& operator=(const THashCollection&) = delete;

    size_t count() const { return items_.size(); }
    Item& item(size_t index) { return *items_.at(index); }
    const Item& item(size_t index) const { return *items_.at(index); }

    // The item of that name, or nullptr.
    Item* lookup(std::string_view name) const
    {
        const std::string key = text::toLowerCase(name);
        for (const Entry& entry : chains_[nameHash(key)]) {
            if (entry.key == key) {
                return entry.item;
            }
        }
        return nullptr;
    }

    Item& add(std::unique_ptr<Item> item)
    {
        Item& added = *item;
        std::string key = text::toLowerCase(added.Name);
        auto& chain = chains_[nameHash(key)];
        chain.insert(chain.begin(), Entry{std::move(key), &added});
        items_.push_back(std::move(item));
        return added;
    }

    void clear()
    {
        for (auto& chain : chains_) {
            chain.clear();
        }
        items_.clear();
    }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }

private:
    struct Entry {
        std::string key; //: the item's name in lower case
        Item* item;
    };
    std::vector<std::unique_ptr<Item>> items_; //: in the order they were added
    std::array<std::vector<Entry>, 256> chains_;
};

} // namespace tov::sound
