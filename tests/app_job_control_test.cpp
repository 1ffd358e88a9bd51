// One job at a time whatever order the requests come in, the ways out, drops
// only when nothing else is going on.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/job_control.h"

namespace vorlax::app {
namespace {

// Runs a script of what happens to the main window and returns what the
// control answered, space-separated. Requests answer with their decision;
// "drops?" with "takes" or "refuses"; "final" (a job's last message) with
// "done" or "stale"; the other steps answer nothing:
//   modal+ modal-   a modal dialog of the program opens, closes
//   ask+ ask-       the abort question opens, is answered
//   job             a worker starts
//   forget          the worker has ended and is forgotten
//   cmdline         the run is a command-line run
//   closing         the program is on its way out
std::string RunScript(const std::string& script) {
    using R = JobControl::Request;
    JobControl control;
    std::istringstream steps(script);
    std::string step, out;
    auto say = [&](std::string_view word) {
        if (!out.empty()) out += ' ';
        out += word;
    };
    const std::pair<const char*, R> requests[] = {
        {"drop", R::kDrop},           {"open", R::kOpenCommand},     {"chosen", R::kOpenDialogChosen},
        {"settings", R::kSettingsCommand}, {"about", R::kAboutCommand}, {"exit", R::kExitCommand},
        {"query", R::kQueryEndSession}, {"end", R::kEndSession},     {"destroyed", R::kWindowDestroyed},
    };
    while (steps >> step) {
        bool request = false;
        for (const auto& [name, r] : requests) {
            if (step == name) {
                say(ToString(control.Decide(r)));
                request = true;
            }
        }
        if (request) continue;
        if (step == "drops?") say(control.AcceptsDrops() ? "takes" : "refuses");
        else if (step == "final") say(control.JobFinished() ? "done" : "stale");
        else if (step == "modal+") control.ModalOpened();
        else if (step == "modal-") control.ModalClosed();
        else if (step == "ask+") control.AskOpened();
        else if (step == "ask-") control.AskClosed();
        else if (step == "job") control.JobStarted();
        else if (step == "forget") control.WorkerForgotten();
        else if (step == "cmdline") control.CommandLineRun();
        else if (step == "closing") control.Closing();
        else ADD_FAILURE() << "unknown step " << step;
    }
    return out;
}

TEST(AppJobControl, Scripts) {
    struct Case {
        const char* name;
        const char* script;
        const char* answers;
    };
    const Case cases[] = {
        {"idle", "drops? drop open settings about exit query end destroyed",
         "takes go go go go go go go go"},
        // The open dialog, the settings sheet, the about box: nothing is
        // taken while one is open, and the choice made in the open dialog
        // starts a job only when no worker is held.
        {"drop during the open dialog", "open modal+ drops? drop modal- chosen job drops?",
         "go refuses refuse go refuses"},
        {"drop during the settings sheet", "settings modal+ drops? drop modal- drops?", "go refuses refuse takes"},
        {"drop during the about box", "about modal+ drops? drop modal- drops?", "go refuses refuse takes"},
        {"a job held when the dialog closes", "modal+ job modal- chosen", "ask"},
        {"nested dialogs", "modal+ modal+ modal- drops? modal- drops?", "refuses takes"},
        {"more closed than opened", "modal- modal- drops?", "takes"},
        // While a job runs: nothing is taken; what would start something
        // asks first; the about box may open.
        {"a job runs", "job drops? drop open settings chosen about", "refuses ask ask ask ask go"},
        {"the job ended", "job final drops? drop", "done takes ask"},
        {"the worker forgotten", "job final forget drop", "done go"},
        // A stopped job's last message comes after the next job started: it
        // changes nothing; the newest job's last message does.
        {"a late last message", "job forget job final drops? final drops?", "stale refuses done takes"},
        {"a last message of no job", "final drops?", "stale takes"},
        // The abort question: nothing else starts or leaves meanwhile.
        {"asking", "job ask+ drops? drop open settings about exit query", "refuses refuse refuse refuse refuse refuse refuse"},
        {"asked, kept", "job ask+ ask- drops? exit", "refuses ask"},
        // Every way out asks while a worker is held; what cannot ask stops it.
        {"exit during a job", "job exit", "ask"},
        {"exit, stopped", "job exit forget exit closing drops? drop open about exit", "ask go refuses refuse refuse refuse refuse"},
        {"exit during a dialog", "modal+ exit", "refuse"},
        {"query during a job", "job query", "ask"},
        {"query during the about box and a job", "job about modal+ query", "go ask"},
        {"query during a dialog", "modal+ query", "go"},
        {"end during a job", "job end", "stop"},
        {"end while asking", "job ask+ end", "stop"},
        {"end during a dialog and a job", "job modal+ end", "stop"},
        {"destroyed during a job", "job destroyed", "stop"},
        // A command-line run takes no drop and starts nothing else; it may
        // still be left, after the question.
        {"command line", "cmdline job drops? drop open settings chosen about exit query end",
         "refuses refuse refuse refuse refuse go ask ask stop"},
        {"command line ended", "cmdline job final forget drops? exit", "done refuses go"},
    };
    for (const Case& c : cases) EXPECT_EQ(RunScript(c.script), c.answers) << c.name;
}

}  // namespace
}  // namespace vorlax::app
