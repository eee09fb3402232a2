#pragma once

#include "engine/Prompter.h"
#include "ui/shell/Services.h"

#include <QMessageBox>

#include <memory>
#include <string_view>

class QWidget;

namespace zarvik {

// Message boxes of the desktop program: the engine's questions and the general error display.
// Texts arrive as Windows-1251 and are shown as plain text (never as rich text, so link lists
// with HTML read as typed); CR LF and a lone CR both break lines.
class TMessageBoxPrompter : public TPrompter, public TErrorDisplay
{
public:
    // Boxes are owned by `parent` when given, else by the application's active window.
    explicit TMessageBoxPrompter(QWidget *parent = nullptr);

    Answer ask(MessageKind kind, std::string_view text, Buttons buttons) override;
    // The details are the box's informative text.
    Answer AskWithDetails(MessageKind kind, std::string_view text, std::string_view details,
                          Buttons buttons) override;
    void ShowError(std::string_view text) override;

    // The boxes ask() and ShowError() run modally, built but not shown.
    static std::unique_ptr<QMessageBox> CreateMessageBox(QWidget *parent, MessageKind kind,
                                                         std::string_view text, Buttons buttons);
    static std::unique_ptr<QMessageBox> CreateErrorBox(QWidget *parent, std::string_view text);

    // The answer for the button that closed a box of the given set; a box closed any other way
    // (Escape, its frame) gives the set's cancelling answer.
    static Answer AnswerFor(QMessageBox::StandardButton button, Buttons buttons);

private:
    QWidget *Owner() const;

    QWidget *FParent;
};

} // namespace zarvik
