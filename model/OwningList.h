#pragma once

// The machinery every owning list of the project shares (files, shortcuts,
// setup DLLs, builds): items in the order added, owned here and handed out
// as plain pointers that stay valid until the item is removed.

#include "common/DebugTrace.h"
#include "common/Stream.h"
#include "model/ValueEncoding.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

template <typename T>
class TOwningList {
public:
    using TList = std::vector<T*>;

    TOwningList() = default;
    TOwningList(const TOwningList&) = delete;
    TOwningList& operator=(const TOwningList&) = delete;

    // Nothing is added for null, which is returned.
    T* Add(std::unique_ptr<T> item)
    {
        if (!item)
            return nullptr;
        FItems.push_back(std::move(item));
        return FItems.back().get();
    }

    // Takes the item out and destroys it; one the list does not hold is left
    // alone (false).
    bool Remove(const T* item)
    {
        int index = IndexOf(item);
        if (index < 0)
            return false;
        FItems.erase(FItems.begin() + index);
        return true;
    }

    // The same for several items at once, in one pass over the list.
    void Remove(const TList& items)
    {
        std::unordered_set<const T*> doomed(items.begin(), items.end());
        std::vector<std::unique_ptr<T>> kept;
        kept.reserve(FItems.size());
        std::vector<std::unique_ptr<T>> removed;
        for (auto& item : FItems)
            (doomed.count(item.get()) ? removed : kept).push_back(std::move(item));
        FItems = std::move(kept);
    }

    void Clear() { ClearFromTheEnd(); }

    int Count() const { return static_cast<int>(FItems.size()); }
    // An index outside the list is a fault of the caller, not of the
    // project: null and a trace.
    T* Item(int index) const
    {
        if (index < 0 || index >= Count()) {
            DebugTrace("List index " + std::to_string(index) + " out of range");
            return nullptr;
        }
        return FItems[static_cast<size_t>(index)].get();
    }
    int IndexOf(const T* item) const
    {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].get() == item)
                return static_cast<int>(i);
        return -1;
    }

    TList ToList() const
    {
        TList list;
        list.reserve(FItems.size());
        for (const auto& item : FItems)
            list.push_back(item.get());
        return list;
    }

    // A walk with the list's own cursor: First, then Next until it is false.
    bool First(T*& item)
    {
        FCursor = 0;
        return Next(item);
    }

    bool Next(T*& item)
    {
        if (FCursor < 0 || static_cast<size_t>(FCursor) >= FItems.size()) {
            item = nullptr;
            return false;
        }
        item = FItems[FCursor++].get();
        return true;
    }

protected:
    // Not a polymorphic base: the lists are used by their own type.
    ~TOwningList() { ClearFromTheEnd(); }

    // The count, then every item as it saves itself.
    void SaveItems(TStream& stream) const
    {
        StreamWriteInteger(stream, Count());
        for (const auto& item : FItems)
            item->SaveToStream(stream);
    }

    // Reads the count and that many items with read(stream), which returns
    // the item; they join the list only when all were read, so a broken
    // stream leaves the list as it was.
    template <typename Read>
    void LoadItems(TStream& stream, Read read)
    {
        int32_t count = StreamReadInteger(stream);
        std::vector<std::unique_ptr<T>> loaded;
        for (int32_t i = 0; i < count; ++i)
            loaded.push_back(read(stream));
        for (auto& item : loaded)
            FItems.push_back(std::move(item));
    }

    std::vector<std::unique_ptr<T>> FItems;

private:
    // Last first: an item that leaves a list of its own when destroyed (a
    // file its folder's) then always leaves from that list's end.
    void ClearFromTheEnd()
    {
        while (!FItems.empty())
            FItems.pop_back();
    }

    int FCursor = 0;
};
