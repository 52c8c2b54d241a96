// Saving the text pane: plain GBK text, or rich text format with
// the doubtful characters red (code page 936, the Song face). Both are
// written to a temporary file beside the target and renamed over it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "document/ResultEdit.h"

namespace desktop {

// The lines as GBK bytes, each ended by a line feed.
QByteArray PlainGbkText(const TextLines& lines);
// The lines as an RTF document (\ansicpg936, GBK bytes as \'hh escapes,
// red runs in colour 1, one \par per line).
QByteArray RtfText(const TextLines& lines);
// ".txt" (any case) gives plain text, every other name rich text. False
// when the file could not be written; the old file is then left alone.
bool SaveTextFile(const QString& path, const TextLines& lines);

}  // namespace desktop
