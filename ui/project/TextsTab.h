#pragma once

#include "ui/project/ProjectLayout.h"

#include <QObject>

class QTimer;

#include <string_view>

namespace zarvik {

class TSiteGenerator;
class TSourceEditor;
struct TServices;

// The template, style sheet and ad block tabs of a project window (TabSheet4, TabSheet5,
// TabSheet7): loading the template and the style sheet from files, inserting placeholders into
// the template, and copying the three editors into the generator and back. The editors start
// with the default texts.
class TTextsTab : public QObject
{
    Q_OBJECT

public:
    // The generator, the services, the editors and the window (the parent of its dialogs) must
    // outlive the tabs. The pages are not yet placed in the window.
    TTextsTab(TSiteGenerator &generator, TServices &services, const TProjectActions &actions,
              TSourceEditor &templateEditor, TSourceEditor &css, TSourceEditor &adsense, QWidget &window);

    const TTextTabsView &Pages() const { return FView; }

    // Inserts text into the template editor's caret line at the caret's column.
    void InsertAtCaret(std::string_view text);
    void LoadTemplateExecute();
    void LoadCssExecute();

    // Puts the Windows-1251 charset declaration into the template editor's <head> as one edit the
    // user can undo, then pushes the texts. Nothing happens when the template declares a charset
    // already; throws EError when it has no <head> tag.
    void AddCharsetDeclaration();

    // The template, ad block and style sheet editors into the generator.
    void PushTexts();
    // The generator into the three editors.
    void PullTexts();
    // The same for each editor whose text differs from the generator's; the others keep their
    // content and their undo.
    void PullChangedTexts();
    // Places the template editor's caret at a byte offset of its text.
    void ShowTemplateOffset(std::size_t offset);
    // Marks the template's placeholder slips and a missing or repeated main text placeholder in
    // the template editor (done by itself a moment after each edit).
    void UpdateTemplateNotes();

signals:
    // The user changed one of the three texts.
    void Edited();

private:
    TSiteGenerator &FGenerator;
    TServices &FServices;
    QWidget &FWindow;
    TSourceEditor &FTemplate; // SynEdit2
    TSourceEditor &FCss;      // SynEdit3
    TSourceEditor &FAdsense;  // SynEdit4
    TTextTabsView FView;
    QTimer *FNotesTimer = nullptr;
};

} // namespace zarvik
