#pragma once

// Dialogs for the benchmarks: every question is answered OK and nothing is shown. An error box
// means a run went wrong: with failOnErrorBox it ends the program's work by throwing.
#include <chrono>
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
    // The progress dialog is not shown; the time it was open is added up (the backup before
    // a change), so that a benchmark can tell it apart.
    void ShowProgress(const std::string&, int, int) override {
        if (!progressOpen_) progressOpened_ = std::chrono::steady_clock::now();
        progressOpen_ = true;
    }
    void CloseProgress() override {
        if (!progressOpen_) return;
        progressOpen_ = false;
        progressSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - progressOpened_)
                .count();
    }
    double progressSeconds = 0;

private:
    bool failOnErrorBox_;
    bool progressOpen_ = false;
    std::chrono::steady_clock::time_point progressOpened_;
};
