#pragma once

// The machinery every owning list of the project shares (shortcuts, setup
// DLLs): items in the order added, owned here and handed out as plain
// pointers that stay valid until the item is removed.

#include "common/Stream.h"
#include "model/ValueEncoding.h"

#include <cstdint>
#include <memory>
#include <vector>

template <typename T>
class TOwningList {
public:
    using TList = std::vector<T*>;

    TOwningList() = default;
    TOwningList(const TOwningList&) = delete;
    TOwningList& operator=(const TOwningList&) = delete;

    T* Add(std::unique_ptr<T> item)
    {
        FItems.push_back(std::move(item));
        return FItems.back().get();
    }

    // Takes the item out and destroys it; one the list does not hold is left alone.
    void Remove(const T* item)
    {
        for (auto it = FItems.begin(); it != FItems.end(); ++it)
            if (it->get() == item) {
                FItems.erase(it);
                return;
            }
    }

    int Count() const { return static_cast<int>(FItems.size()); }
    T* Item(int index) const { return FItems.at(index).get(); }

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
    ~TOwningList() = default;

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
    int FCursor = 0;
};
