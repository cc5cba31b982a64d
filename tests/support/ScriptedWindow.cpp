#include "tests/support/ScriptedWindow.h"

#include <stdexcept>

namespace testing_support {

std::vector<std::string> DialogQueue::DialogTexts() const {
    std::vector<std::string> texts;
    for (const Dialog& d : dialogs) texts.push_back(d.text);
    return texts;
}

int DialogQueue::NextAnswer() {
    if (answers.empty()) return form::kResultOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::string ScriptedWindow::ItemBytes(form::ListBoxId list, int index) const {
    const auto& items = List(list);
    return index < 0 || index >= int(items.size()) ? std::string() : items[size_t(index)];
}

void ScriptedWindow::ClearItems(form::ListBoxId list) {
    List(list).clear();
    (list == form::ListBoxId::ListBox1 ? selected1 : selected2) = -1;
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
    return NextAnswer();
}

}  // namespace testing_support
