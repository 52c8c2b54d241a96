// Headless user-interface hooks and the hook registry (see UiHooks.h).
#include "platform/UiHooks.h"

#include <algorithm>

namespace platform {

namespace {
HeadlessUi& BuiltInUi() {
  static HeadlessUi ui;
  return ui;
}
UiHooks* current = nullptr;
}  // namespace

UiHooks& Ui() {
  return current ? *current : BuiltInUi();
}
void SetUi(UiHooks* hooks) {
  current = hooks;
}

void ShowNotice(const std::string& text) {
  Ui().ShowMessage(text, MessageIcon::Question, MessageButtons::Ok, QuestionId::Other);
}
Answer AskQuestion(const std::string& text, MessageButtons buttons, QuestionId question) {
  return Ui().ShowMessage(text, MessageIcon::Question, buttons, question);
}
void ShowPlainMessage(const std::string& text) {
  Ui().ShowMessage(text, MessageIcon::None, MessageButtons::Ok, QuestionId::Other);
}

Answer HeadlessUi::ShowMessage(const std::string& text, MessageIcon icon, MessageButtons buttons,
                               QuestionId question) {
  Answer given = buttons == MessageButtons::Ok ? Answer::Ok : Answer::No;
  if (!ScriptedAnswers.empty()) {
    given = ScriptedAnswers.front();
    ScriptedAnswers.pop_front();
  }
  Messages.push_back({text, icon, buttons, question, given});
  return given;
}

void HeadlessUi::SetBusyCursor(bool busy) {
  if (busy != Busy) ++BusyChanges;
  Busy = busy;
}

int32_t GbkCharCount(const std::string& gbk) {
  int32_t count = 0;
  for (size_t i = 0; i < gbk.size(); ++i) {
    if (static_cast<uint8_t>(gbk[i]) >= 0x80) ++i;
    ++count;
  }
  return count;
}

void HeadlessPane::Clear() {
  lines_.clear();
  Colourings.clear();
  SelectionStart = SelectionLength = 0;
}

void HeadlessPane::AppendLine(const std::string& gbkLine) {
  lines_.push_back(gbkLine);
}

void HeadlessPane::SetText(const std::string& gbkText) {
  lines_.clear();
  size_t start = 0;
  while (start < gbkText.size()) {
    size_t end = gbkText.find('\n', start);
    if (end == std::string::npos) end = gbkText.size();
    lines_.push_back(gbkText.substr(start, end - start));
    start = end + 1;
  }
}

std::string HeadlessPane::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + "\n";
  return text;
}

int32_t HeadlessPane::TextLength() const {
  int32_t length = 0;
  for (const auto& line : lines_) length += GbkCharCount(line) + 1;
  return length;
}

void HeadlessPane::Select(int32_t start, int32_t length) {
  const int32_t total = TextLength();
  SelectionStart = std::clamp(start, 0, total);
  SelectionLength = length < 0 ? total - SelectionStart : std::min(length, total - SelectionStart);
}

void HeadlessPane::SetSelectionColour(uint32_t rgb) {
  for (int32_t p = SelectionStart; p < SelectionStart + SelectionLength; ++p) Colourings.push_back({p, rgb});
}

}  // namespace platform
