#pragma once

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "form/WindowOps.h"

namespace testing_support {

// Message dialogs recorded in order and answered from a queue (OK when it is empty).
struct DialogQueue {
    struct Dialog {
        std::string text;
        form::DialogKind kind;
        form::DialogButtons buttons;
    };
    std::vector<Dialog> dialogs;
    std::deque<int> answers;

    void Answer(int result) { answers.push_back(result); }
    std::vector<std::string> DialogTexts() const {
        std::vector<std::string> texts;
        for (const Dialog& d : dialogs) texts.push_back(d.text);
        return texts;
    }
    int NextAnswer() {
        if (answers.empty()) return form::kResultOk;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// A window double for tests: controls are plain members that a test sets and reads.
class ScriptedWindow : public form::WindowOps, public DialogQueue {
public:
    std::vector<std::string> listBox1, listBox2;
    int selected1 = -1, selected2 = -1;
    std::map<form::RadioId, bool> checked;
    std::map<form::RadioId, int> tags{{form::RadioId::RadioButton3, 1},
                                      {form::RadioId::RadioButton4, 2}};
    form::DateTimeValue dtChange01{}, dtChange02{};
    std::string panelCaption = "상단 옵션중 하나를 선택하세요.";
    bool panelVisible = false;
    std::string label1 = "잘못되어있는 일자", label2 = "변경할 일자";
    form::Alignment align1 = form::Alignment::Left, align2 = form::Alignment::Left;
    std::vector<std::string> log;
    // Counts AppendLog calls down: the call that brings it to 0 throws instead of appending
    // (1 = the next call); 0 = never.
    int failAppendLogIn = 0;

    // Progress dialogs: each caption opened, every figure shown (done, total), closes.
    std::vector<std::string> progressCaptions;
    std::vector<std::pair<int, int>> progress;
    int progressCloses = 0;
    std::function<void()> onProgressClosed;

    bool stopRequested = false;  // what StopRequested answers
    // Runs while each dialog is open, after it was recorded; may throw, as a failing dialog would.
    std::function<void(const Dialog&)> onDialog;

    void SetDate(form::PickerId picker, int year, int month, int day) {
        (picker == form::PickerId::dtChange01 ? dtChange01 : dtChange02) =
            form::DateTimeValue{year, month, day, 10, 30, 0};
    }

    int SelectedIndex(form::ListBoxId list) const override {
        return list == form::ListBoxId::ListBox1 ? selected1 : selected2;
    }
    int ItemCount(form::ListBoxId list) const override { return int(List(list).size()); }
    std::string ItemBytes(form::ListBoxId list, int index) const override {
        const auto& items = List(list);
        return index < 0 || index >= int(items.size()) ? std::string() : items[size_t(index)];
    }
    void ClearItems(form::ListBoxId list) override {
        List(list).clear();
        (list == form::ListBoxId::ListBox1 ? selected1 : selected2) = -1;
    }
    void AppendItem(form::ListBoxId list, const std::string& bytes) override {
        List(list).push_back(bytes);
    }
    bool IsChecked(form::RadioId radio) const override {
        return checked.count(radio) && checked.at(radio);
    }
    int Tag(form::RadioId radio) const override { return tags.count(radio) ? tags.at(radio) : 0; }
    form::DateTimeValue PickerValue(form::PickerId picker) const override {
        return picker == form::PickerId::dtChange01 ? dtChange01 : dtChange02;
    }
    void SetPanelCaption(const std::string& text) override { panelCaption = text; }
    void SetPanelVisible(bool visible) override { panelVisible = visible; }
    void SetLabelCaption(form::LabelId label, const std::string& text) override {
        (label == form::LabelId::lbChange01 ? label1 : label2) = text;
    }
    void SetLabelAlignment(form::LabelId label, form::Alignment alignment) override {
        (label == form::LabelId::lbChange01 ? align1 : align2) = alignment;
    }
    void ClearLog() override { log.clear(); }
    void AppendLog(const std::string& line) override {
        if (failAppendLogIn > 0 && --failAppendLogIn == 0) throw std::runtime_error("log is full");
        log.push_back(line);
    }
    int MessageDialog(const std::string& text, form::DialogKind kind,
                      form::DialogButtons buttons) override {
        dialogs.push_back({text, kind, buttons});
        if (onDialog) onDialog(dialogs.back());
        return NextAnswer();
    }
    void ShowProgress(const std::string& caption, int done, int total) override {
        if (progressCaptions.size() == static_cast<size_t>(progressCloses))
            progressCaptions.push_back(caption);
        progress.emplace_back(done, total);
    }
    void CloseProgress() override {
        ++progressCloses;
        if (onProgressClosed) onProgressClosed();
    }
    // The wait dialog is never cancelled.
    void ShowWait(const std::string&, bool) override {}
    bool WaitCancelled() override { return false; }
    void CloseWait(int, bool) override {}
    bool StopRequested() override { return stopRequested; }

private:
    std::vector<std::string>& List(form::ListBoxId list) {
        return list == form::ListBoxId::ListBox1 ? listBox1 : listBox2;
    }
    const std::vector<std::string>& List(form::ListBoxId list) const {
        return list == form::ListBoxId::ListBox1 ? listBox1 : listBox2;
    }
};

}  // namespace testing_support
