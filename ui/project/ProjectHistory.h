#pragma once

#include "app/EditHistory.h"

#include <QObject>
#include <QString>

#include <memory>

class QAction;

namespace zarvik {

class TSiteGenerator;

// The undo history of one project window, with its two actions ("Отменить …", "Повторить …")
// whose captions name the operation. The window records each project operation as a TSiteEdit
// and pushes it here; undo and redo change the generator and then emit Restored, on which the
// window shows the generator again.
class TProjectHistory : public QObject
{
    Q_OBJECT

public:
    TProjectHistory(TSiteGenerator &generator, QObject *parent = nullptr);

    void Push(std::unique_ptr<TSiteEdit> edit, const QString &label);
    void Undo();
    void Redo();

    // The project was opened or saved as it stands.
    void SetClean();
    bool IsClean() const { return FHistory.IsClean(); }
    void Clear();

    QAction *UndoAction() const { return FUndo; }
    QAction *RedoAction() const { return FRedo; }
    const TEditHistory &History() const { return FHistory; }

signals:
    // Undo or redo changed the generator.
    void Restored();
    // Whether the project stands where it was saved may have changed.
    void CleanChanged(bool clean);

private:
    void UpdateActions();

    TSiteGenerator &FGenerator;
    TEditHistory FHistory;
    QAction *FUndo = nullptr;
    QAction *FRedo = nullptr;
};

} // namespace zarvik
