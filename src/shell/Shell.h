#pragma once

#include <QString>

#include <functional>

// How the core talks to the user. The front end supplies one: the Qt windows, the console of a run without
// a window, or the scripted answers of the tests.

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MsgBoxRequest {
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::Information;
    int defaultButton = 0; // index of the default button, 0 = the first
    QString title;         // empty: the program's name
    // What answers the box with its first button while it is up, as a disk that is plugged in; asked every half
    // second by a front end that can, else the user answers.
    std::function<bool()> answeredBy = {};
};

class Shell {
public:
    virtual ~Shell() = default;

    virtual MsgResult MsgBox(const MsgBoxRequest& request) = 0;

    // percent 0 shows the text without a bar; 100 and more a full bar.
    virtual void ShowProgress(int percent, const QString& text) = 0;

    virtual void SetBusy(bool busy) = 0;

    // Shortcuts for the common boxes.
    void Inform(const QString& text);
    void Fail(const QString& text);
};

// The busy pointer for as long as it lives, also when the work in its scope throws.
class BusyPointer {
public:
    explicit BusyPointer(Shell& shell) : shell_(shell) { shell_.SetBusy(true); }
    ~BusyPointer() { shell_.SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Shell& shell_;
};

// The title of every box: the program's name.
QString ProgramName();
