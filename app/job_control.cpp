#include "app/job_control.h"

namespace vorlax::app {

JobControl::Decision JobControl::Decide(Request request) const {
    // A dialog of the program or the abort question is up: what would start
    // something, or leave, waits for it (the window is disabled meanwhile,
    // but messages may come all the same).
    const bool busy = modal_ > 0 || asking_;
    switch (request) {
        case Request::kDrop:
        case Request::kOpenCommand:
        case Request::kSettingsCommand:
        case Request::kOpenDialogChosen:
            if (command_line_ || closing_ || busy) return Decision::kRefuse;
            return worker_ ? Decision::kAsk : Decision::kGo;
        case Request::kAboutCommand:
            return closing_ || busy ? Decision::kRefuse : Decision::kGo;
        case Request::kExitCommand:
            if (closing_ || busy) return Decision::kRefuse;
            return worker_ ? Decision::kAsk : Decision::kGo;
        case Request::kQueryEndSession:
            // The user is being asked already: the session waits for the answer.
            if (asking_) return Decision::kRefuse;
            return worker_ ? Decision::kAsk : Decision::kGo;
        case Request::kEndSession:
        case Request::kWindowDestroyed:
            return worker_ ? Decision::kStop : Decision::kGo;
    }
    return Decision::kRefuse;
}

bool JobControl::AcceptsDrops() const {
    return !command_line_ && !closing_ && modal_ == 0 && !asking_ && unfinished_ == 0;
}

bool JobControl::JobFinished() {
    if (unfinished_ == 0) return false;
    --unfinished_;
    return unfinished_ == 0;
}

std::string_view ToString(JobControl::Decision decision) {
    switch (decision) {
        case JobControl::Decision::kGo: return "go";
        case JobControl::Decision::kAsk: return "ask";
        case JobControl::Decision::kRefuse: return "refuse";
        case JobControl::Decision::kStop: return "stop";
    }
    return "?";
}

}  // namespace vorlax::app
