#include "tests/support/ScriptedWindow.h"

#include <stdexcept>

namespace testing_support {

using form::ListBoxId;

std::vector<std::string>& ScriptedWindow::List(ListBoxId list) {
    return list == ListBoxId::ListBox1 ? listBox1 : listBox2;
}

const std::vector<std::string>& ScriptedWindow::List(ListBoxId list) const {
    return list == ListBoxId::ListBox1 ? listBox1 : listBox2;
}

void ScriptedWindow::SetDate(form::PickerId picker, int year, int month, int day) {
    form::DateTimeValue value{year, month, day, 10, 30, 0};
    (picker == form::PickerId::dtChange01 ? dtChange01 : dtChange02) = value;
}

std::vector<std::string> ScriptedWindow::DialogTexts() const {
    std::vector<std::string> texts;
    for (const Dialog& d : dialogs) texts.push_back(d.text);
    return texts;
}

int ScriptedWindow::SelectedIndex(ListBoxId list) const {
    return list == ListBoxId::ListBox1 ? selected1 : selected2;
}

int ScriptedWindow::ItemCount(ListBoxId list) const {
    return static_cast<int>(List(list).size());
}

std::string ScriptedWindow::ItemBytes(ListBoxId list, int index) const {
    const auto& items = List(list);
    if (index < 0 || index >= static_cast<int>(items.size())) return {};
    return items[static_cast<size_t>(index)];
}

void ScriptedWindow::ClearItems(ListBoxId list) {
    List(list).clear();
    (list == ListBoxId::ListBox1 ? selected1 : selected2) = -1;
}

void ScriptedWindow::AppendItem(ListBoxId list, const std::string& bytes) {
    List(list).push_back(bytes);
}

bool ScriptedWindow::IsChecked(form::RadioId radio) const {
    auto it = checked.find(radio);
    return it != checked.end() && it->second;
}

int ScriptedWindow::Tag(form::RadioId radio) const {
    auto it = tags.find(radio);
    return it == tags.end() ? 0 : it->second;
}

form::DateTimeValue ScriptedWindow::PickerValue(form::PickerId picker) const {
    return picker == form::PickerId::dtChange01 ? dtChange01 : dtChange02;
}

void ScriptedWindow::SetLabelCaption(form::LabelId label, const std::string& text) {
    (label == form::LabelId::lbChange01 ? label1 : label2) = text;
}

void ScriptedWindow::SetLabelAlignment(form::LabelId label, form::Alignment alignment) {
    (label == form::LabelId::lbChange01 ? align1 : align2) = alignment;
}

void ScriptedWindow::AppendLog(const std::string& line) {
    if (failAppendLogIn > 0 && --failAppendLogIn == 0) throw std::runtime_error("log is full");
    log.push_back(line);
}

void ScriptedWindow::ShowProgress(const std::string& caption, int done, int total) {
    if (progressCaptions.size() == static_cast<size_t>(progressCloses))
        progressCaptions.push_back(caption);
    progress.emplace_back(done, total);
}

int ScriptedWindow::MessageDialog(const std::string& text, form::DialogKind kind,
                                  form::DialogButtons buttons) {
    dialogs.push_back({text, kind, buttons});
    if (onDialog) onDialog(dialogs.back());
    if (answers.empty()) return form::kResultOk;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedWindow::ShowWait(const std::string& text, bool cancellable) {
    waitTexts.push_back(text);
    waitOpen = true;
    waitCancellable = cancellable;
}

}  // namespace testing_support
