#include "ui/project/ProjectHistory.h"

#include <QAction>

namespace zarvik {

using namespace Qt::StringLiterals;

TProjectHistory::TProjectHistory(TSiteGenerator &generator, QObject *parent)
    : QObject(parent)
    , FGenerator(generator)
{
    FUndo = new QAction(this);
    FUndo->setObjectName(u"HistoryUndo"_s);
    FRedo = new QAction(this);
    FRedo->setObjectName(u"HistoryRedo"_s);
    connect(FUndo, &QAction::triggered, this, &TProjectHistory::Undo);
    connect(FRedo, &QAction::triggered, this, &TProjectHistory::Redo);
    UpdateActions();
}

void TProjectHistory::Push(std::unique_ptr<TSiteEdit> edit, const QString &label)
{
    const bool wasClean = FHistory.IsClean();
    FHistory.Push(std::move(edit), label.toStdString());
    UpdateActions();
    if (wasClean != FHistory.IsClean())
        emit CleanChanged(FHistory.IsClean());
}

void TProjectHistory::Undo()
{
    if (!FHistory.CanUndo())
        return;
    const bool wasClean = FHistory.IsClean();
    FHistory.Undo(FGenerator);
    UpdateActions();
    emit Restored();
    if (wasClean != FHistory.IsClean())
        emit CleanChanged(FHistory.IsClean());
}

void TProjectHistory::Redo()
{
    if (!FHistory.CanRedo())
        return;
    const bool wasClean = FHistory.IsClean();
    FHistory.Redo(FGenerator);
    UpdateActions();
    emit Restored();
    if (wasClean != FHistory.IsClean())
        emit CleanChanged(FHistory.IsClean());
}

void TProjectHistory::SetClean()
{
    FHistory.SetClean();
    emit CleanChanged(true);
}

void TProjectHistory::Clear()
{
    FHistory.Clear();
    UpdateActions();
}

void TProjectHistory::UpdateActions()
{
    const QString undo = QString::fromStdString(FHistory.UndoLabel());
    const QString redo = QString::fromStdString(FHistory.RedoLabel());
    FUndo->setText(undo.isEmpty() ? u"Отменить действие"_s : u"Отменить: %1"_s.arg(undo));
    FRedo->setText(redo.isEmpty() ? u"Повторить действие"_s : u"Повторить: %1"_s.arg(redo));
    FUndo->setEnabled(FHistory.CanUndo());
    FRedo->setEnabled(FHistory.CanRedo());
}

} // namespace zarvik
