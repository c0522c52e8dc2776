#pragma once

// The platform check lists and processor lists of the property dialogs.

#include "model/Platforms.h"

class QComboBox;
class QListWidget;
class QWidget;

// The eight platform items, item i standing for platform i.
QListWidget* NewPlatformList(QWidget* parent);
TPlatforms CheckedPlatforms(const QListWidget* list);
void CheckPlatforms(QListWidget* list, TPlatforms platforms);
// The thirteen processor names, item i standing for processor i.
QComboBox* NewProcessorBox(QWidget* parent);
