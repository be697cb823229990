#pragma once

#include "core/StringTable.h"

#include <QString>
#include <QWidget>

// Replaces the string-table ids that a window and its controls carry by the texts. The ids sit in the dynamic
// properties "captionId" (title or caption) and "toolTipId" (tool-tip); a combo box or list whose caption id is
// "items" holds ids as its items. A statement that fails (an id that is no number or not in the table, a property
// the control lacks) is skipped; nothing is raised.
void FillCaptions(QWidget* window);

// Sets the ids a control carries, for the windows' set-up code.
void SetCaptionIds(QWidget* control, Res::Id captionId, Res::Id toolTipId = Res::NoText);

// The name a screen reader speaks for a control, from a caption as the window shows it (its access-key "&" dropped).
void SpeakAs(QWidget* control, const QString& caption);

// A new control under its object name, carrying its caption and tool-tip ids for FillCaptions.
template <typename T>
T* MakeControl(QWidget* parent, const char* name, Res::Id captionId = Res::NoText, Res::Id toolTipId = Res::NoText) {
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    SetCaptionIds(w, captionId, toolTipId);
    return w;
}
