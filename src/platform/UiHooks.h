// The user-interface services the engine and the library call: message boxes
// with their answers, yielding to the message loop, the busy cursor, the
// result text pane and the image scroll box.
//
// The engine never talks to a window directly. It calls these hooks; the
// desktop program binds them to its widgets, the command line and the tests
// use the headless versions below, which record what was shown.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace platform {

// Answers of a message box; the numbers are the usual modal results
// (All = 8 is remembered by the library as "do not ask again").
enum class Answer : int32_t { None = 0, Ok = 1, Cancel = 2, Yes = 6, No = 7, All = 8 };

enum class MessageIcon { None, Question, Warning, Error, Information };
enum class MessageButtons { Ok, YesNo, YesNoCancel, YesNoAll };

// Which question a box asks, for hooks that answer without a person (the
// command line, training runs): they decide by this, never by the text. The
// desktop program shows every box alike.
enum class QuestionId {
  Other,
  ForcedEntry,           // teach a character that is not learnable by default?
  EndAfterRefusedEntry,  // a refused library entry: end the program?
};

// The rich-text result pane. Text is GBK, one string per line. Positions
// count characters: a double-byte character is one position, and every line
// end is one position, so position p of the pane is entry p of a CharMap.
class ResultPane {
 public:
  virtual ~ResultPane() = default;
  virtual void Clear() = 0;
  virtual void AppendLine(const std::string& gbkLine) = 0;
  virtual void SetText(const std::string& gbkText) = 0;  // lines split at '\n'
  virtual std::vector<std::string> Lines() const = 0;
  virtual std::string Text() const = 0;    // every line followed by '\n'
  virtual int32_t TextLength() const = 0;  // in positions, as above
  virtual void Select(int32_t start, int32_t length) = 0;
  virtual void SetSelectionColour(uint32_t rgb) = 0;  // 0xRRGGBB
};

// The image scroll box of a document window; learning mode scrolls it.
class ScrollBox {
 public:
  virtual ~ScrollBox() = default;
  virtual void ScrollTo(int32_t x, int32_t y) = 0;
};

class UiHooks {
 public:
  virtual ~UiHooks() = default;
  // Shows a message box (text in UTF-8) and returns the button pressed.
  virtual Answer ShowMessage(const std::string& text, MessageIcon icon, MessageButtons buttons,
                             QuestionId question) = 0;
  // Lets the message loop handle what is pending (window repaints, commands).
  virtual void ProcessMessages() = 0;
  virtual void SetBusyCursor(bool busy) = 0;
};

// The hooks in force; the headless ones until a front end installs others.
UiHooks& Ui();
// Installs hooks (not owned); nullptr goes back to the built-in headless ones.
void SetUi(UiHooks* hooks);

// The usual message box: the text, the question icon, one OK button.
void ShowNotice(const std::string& text);
// A question with the given buttons and the question icon.
Answer AskQuestion(const std::string& text, MessageButtons buttons, QuestionId question = QuestionId::Other);
// A plain box without icon and with one OK button.
void ShowPlainMessage(const std::string& text);

// Headless hooks: every message is recorded; questions take their answers
// from a queue (Ok for OK boxes, No for questions when the queue is empty).
class HeadlessUi : public UiHooks {
 public:
  struct Message {
    std::string Text;
    MessageIcon Icon;
    MessageButtons Buttons;
    QuestionId Question;
    Answer Given;
  };
  Answer ShowMessage(const std::string& text, MessageIcon icon, MessageButtons buttons,
                     QuestionId question) override;
  void ProcessMessages() override { ++Yields; }
  void SetBusyCursor(bool busy) override;

  std::vector<Message> Messages;
  std::deque<Answer> ScriptedAnswers;
  int64_t Yields = 0;
  bool Busy = false;
  int32_t BusyChanges = 0;
};

// Headless result pane: keeps the lines and records every character that was
// coloured (position and colour), in the order the colours were set.
class HeadlessPane : public ResultPane {
 public:
  void Clear() override;
  void AppendLine(const std::string& gbkLine) override;
  void SetText(const std::string& gbkText) override;
  std::vector<std::string> Lines() const override { return lines_; }
  std::string Text() const override;
  int32_t TextLength() const override;
  void Select(int32_t start, int32_t length) override;
  void SetSelectionColour(uint32_t rgb) override;

  struct Colouring {
    int32_t Position;
    uint32_t Rgb;
  };
  std::vector<Colouring> Colourings;
  int32_t SelectionStart = 0;
  int32_t SelectionLength = 0;

 private:
  std::vector<std::string> lines_;
};

// Number of characters (positions) of a GBK string: a byte of 0x80 or above
// starts a double-byte character.
int32_t GbkCharCount(const std::string& gbk);

}  // namespace platform
