#pragma once

#include <cstdint>
#include <unordered_map>

// Finds model objects by the number that links records in the project file,
// in constant time, with the first-match rule of a front-to-back search: when
// several objects share a number, the one added first wins. Loads use it so
// that resolving one reference per record stays linear in the file size.
template <typename T>
class TIdIndex {
public:
    TIdIndex() = default;
    template <typename List>
    explicit TIdIndex(const List& list)
    {
        FIndex.reserve(list.size());
        for (T* item : list)
            Add(item);
    }

    void Add(T* item) { FIndex.try_emplace(item->ID(), item); }
    T* Find(int32_t id) const
    {
        auto it = FIndex.find(id);
        return it == FIndex.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<int32_t, T*> FIndex;
};
