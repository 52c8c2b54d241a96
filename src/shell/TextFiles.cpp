// Text files of the result pane (see TextFiles.h).
#include "shell/TextFiles.h"

#include <QFileInfo>
#include <QSaveFile>

#include "platform/Encoding.h"

namespace desktop {

namespace {

QByteArray Gbk(const QString& text) {
  return QByteArray::fromStdString(platform::Utf8ToGbk(text.toStdString()));
}

void AppendRtfBytes(QByteArray& out, const QByteArray& gbk) {
  static const char kHex[] = "0123456789abcdef";
  for (const char c : gbk) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      out += "\\'";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (c == '\t') {
      out += "\\tab ";
    } else {
      out += c;
    }
  }
}

}  // namespace

QByteArray PlainGbkText(const TextLines& lines) {
  QByteArray out;
  for (const auto& line : lines) {
    for (const TextRun& run : line) out += Gbk(run.Text);
    out += '\n';
  }
  return out;
}

QByteArray RtfText(const TextLines& lines) {
  QByteArray out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 ";
  AppendRtfBytes(out, Gbk("宋体"));
  out += ";}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs24 ";
  for (const auto& line : lines) {
    for (const TextRun& run : line) {
      if (run.Text.isEmpty()) continue;
      if (run.Red) out += "\\cf1 ";
      AppendRtfBytes(out, Gbk(run.Text));
      if (run.Red) out += "\\cf0 ";
    }
    out += "\\par\r\n";
  }
  out += "}\r\n";
  return out;
}

bool SaveTextFile(const QString& path, const TextLines& lines) {
  const bool plain = QFileInfo(path).suffix().compare("txt", Qt::CaseInsensitive) == 0;
  const QByteArray bytes = plain ? PlainGbkText(lines) : RtfText(lines);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace desktop
