#pragma once

// Widgets and actions are found by their object names (tests, the
// accessibility tree, style sheets), so each is named as it is made.

#include <QString>

#include <utility>

template <typename T, typename... Args>
T* NewNamed(const char* objectName, Args&&... args)
{
    auto* object = new T(std::forward<Args>(args)...);
    object->setObjectName(QString::fromLatin1(objectName));
    return object;
}
