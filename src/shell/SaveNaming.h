// The file names the save dialogs propose: the numbering of a
// scanned page's name after the last two saves, and the extensions the
// dialogs' types stand for.
#pragma once

#include <QString>

namespace desktop {

// The two save dialogs with a type list.
enum class SaveDialogKind { Page, Text };

// The extension (with its dot) of type `index` (1-based, as the dialogs
// count) of a dialog; empty for "所有文件" and for any other index.
QString ExtensionOfType(SaveDialogKind kind, int index);

// `name` with its extension replaced by `extension` (which has its dot);
// a name without an extension gets it appended.
QString ReplaceExtension(const QString& name, const QString& extension);

// Splits a name (without its extension) into the stem and the decimal digits
// at its end. False when there are none (stem = name).
bool SplitTrailingNumber(const QString& name, QString& stem, QString& digits);

// The name proposed for a page without a file name: "PellarOCR文档001" when
// nothing was saved yet, otherwise the last saved name with its trailing
// number advanced by the step between the last two saves (by one when
// there is no earlier save or the step is not positive), at least as many
// digits as it had (3 when it had none). `extension` is appended.
QString ProposeNewPageName(const QString& lastSaveName, const QString& prevSaveName,
                           const QString& extension);

}  // namespace desktop
