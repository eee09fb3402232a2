#pragma once

#include <QAccessible>

#include <memory>
#include <vector>

namespace zarvik {

class TEditorControl;
class TIdleWorkHold;

// What the source editors of the application share: the controls alive, whether an assistive
// technology listens, and the hold on the controls' idle work while keys keep coming. Start-up
// makes one and hands it to the windows with their services; an editor joins it when it is built
// (TSourceEditor's constructor) or later (SetEnvironment).
//
// While no assistive technology is active, the controls of an environment skip the work the stock
// control does for one, and they all switch when one comes or goes (see TEditorControl). A key
// typed into any of them holds back the idle work of every control (TIdleWorkHold) until typing
// has paused for the typing pause.
//
// The hold stops a timer that it recognises by the class name of its owner, a private class of
// the editor library. So the constructor first checks, once, that a control wrapping its text
// owns exactly one such timer. If not (a release of the library that works differently), it logs
// one warning and nothing is ever held: the editors keep working, only typing while a large
// document is being wrapped waits for the wrapping again.
//
// An editor without an environment works as the stock control does: it tells assistive technology
// of every change whether or not one listens, and its idle work is never held back. It shows and
// reports the same; only typing into a text of megabytes is slower. Tests build editors so.
//
// The environment should outlive its editors; those still in it when it is destroyed go on
// without one.
class TEditorEnvironment : private QAccessible::ActivationObserver
{
public:
    static constexpr int TypingPause = 300; // milliseconds

    // `typingPause` in milliseconds.
    explicit TEditorEnvironment(int typingPause = TypingPause);
    ~TEditorEnvironment() override;
    TEditorEnvironment(const TEditorEnvironment &) = delete;
    TEditorEnvironment &operator=(const TEditorEnvironment &) = delete;

    // Whether an assistive technology listens, as the last change of its activation said.
    bool AssistiveTechnologyActive() const { return FAssistiveTechnologyActive; }
    // Whether the check on construction found the idle-work timer; if not, nothing is held.
    bool IdleWorkFound() const { return FIdleWorkFound; }
    TIdleWorkHold &IdleWorkHold() const { return *FIdleWorkHold; }

private:
    friend class TEditorControl;
    void Join(TEditorControl &control);
    void Leave(TEditorControl &control);
    // A key came into one of the controls.
    void Typed();

    void accessibilityActiveChanged(bool active) override;

    bool FAssistiveTechnologyActive;
    bool FIdleWorkFound = false;
    std::unique_ptr<TIdleWorkHold> FIdleWorkHold;
    std::vector<TEditorControl *> FControls;
};

} // namespace zarvik
