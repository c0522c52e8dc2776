#pragma once

// The platform check lists and processor lists of the property dialogs.

#include "model/Platforms.h"

class QComboBox;
class QWidget;
class TCheckList;

// The eight platform items, item i standing for platform i.
TCheckList* NewPlatformList(QWidget* parent);
TPlatforms CheckedPlatforms(const TCheckList* list);
void CheckPlatforms(TCheckList* list, TPlatforms platforms);
// The thirteen processor names, item i standing for processor i.
QComboBox* NewProcessorBox(QWidget* parent);
