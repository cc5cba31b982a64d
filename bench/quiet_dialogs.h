#pragma once

// Dialogs for the benchmarks: every question is answered OK and nothing is shown. An error box
// means a run went wrong: with failOnErrorBox it ends the program's work by throwing.
#include <stdexcept>
#include <string>

#include "app/Dialogs.h"

class QuietDialogs : public app::Dialogs {
public:
    explicit QuietDialogs(bool failOnErrorBox = false) : failOnErrorBox_(failOnErrorBox) {}

    int MessageDialog(const std::string&, form::DialogKind, form::DialogButtons) override {
        return form::kResultOk;
    }
    void ShowErrorBox(const std::string& text) override {
        if (failOnErrorBox_) throw std::runtime_error("error box: " + text);
    }
    void ShowFatalBox(const std::string& text) override { throw std::runtime_error(text); }

private:
    bool failOnErrorBox_;
};
