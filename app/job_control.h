// Who may start a conversion job, and what every way into and out of the
// program does while one runs. The main window hands each request and each
// change of its state to one JobControl on its own thread and carries out
// what it decides; nothing here depends on the order in which the platform
// delivers its messages.
//
// The rules: at most one worker exists, and a new job starts only when none
// is held; no drop is taken while a modal dialog of the program is open, a
// job runs (or has not yet said that it ended), the abort question is up,
// the program closes, or the run is a command-line run; every way out asks
// first while a worker is held, and a way out that cannot ask (the session
// ends now, the window is gone) stops the job, so that the output under way
// is removed rather than left half written.
#pragma once

#include <string_view>

namespace vorlax::app {

class JobControl {
public:
    enum class Request {
        kDrop,              // files were dropped on the main window
        kOpenCommand,       // 開いて変換, before its dialog opens
        kOpenDialogChosen,  // the open dialog closed with a selection
        kSettingsCommand,   // 設定, before the sheet opens
        kAboutCommand,      // バージョン情報
        kExitCommand,       // the exit command; the close box runs it too
        kQueryEndSession,   // the session is about to end: may the program go?
        kEndSession,        // the session ends now
        kWindowDestroyed,   // the main window is gone
    };

    enum class Decision {
        kGo,      // go ahead: start the job, open the dialog, let the program go
        kAsk,     // a worker is held: ConfirmAbort first, then decide again
        kRefuse,  // not now: a drop is released unconverted, a way out refused
        kStop,    // stop the job without asking, waiting for its end
    };

    Decision Decide(Request request) const;

    // Whether the main window takes drops now.
    bool AcceptsDrops() const;

    // A modal dialog of the program opens or closes on the main window's
    // thread: the open dialog, the settings sheet, the about box, a message
    // box of the main window. (The worker's boxes, the five-file question
    // among them, come only while its job runs, when nothing is taken
    // anyway.)
    void ModalOpened() { ++modal_; }
    void ModalClosed() {
        if (modal_ > 0) --modal_;
    }
    // The abort question is up (ConfirmAbort), or answered.
    void AskOpened() { asking_ = true; }
    void AskClosed() { asking_ = false; }

    // The window started a worker.
    void JobStarted() {
        worker_ = true;
        ++unfinished_;
    }
    // A job said that it ended (its last message). True when it was the
    // newest job: the window shows that it is done. An earlier job's last
    // message, one that was stopped, arrives after a later job started and
    // changes nothing on screen.
    bool JobFinished();
    // The worker has ended and its handle is closed.
    void WorkerForgotten() { worker_ = false; }

    // The run converts its command line and closes by itself.
    void CommandLineRun() { command_line_ = true; }
    // The program is on its way out: nothing new starts.
    void Closing() { closing_ = true; }

    bool worker() const { return worker_; }

private:
    bool worker_ = false;
    // Jobs started whose last message has not arrived yet.
    unsigned unfinished_ = 0;
    unsigned modal_ = 0;
    bool asking_ = false;
    bool command_line_ = false;
    bool closing_ = false;
};

std::string_view ToString(JobControl::Decision decision);

}  // namespace vorlax::app
