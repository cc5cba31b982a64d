#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/Application.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/OperationTrace.h"
#include "app/PageControl.h"
#include "app/WaitDialog.h"
#include "form/FormState.h"
#include "form/OperationRunner.h"
#include "form/WindowOps.h"

namespace app {

// The tool's one window, fmMain: six pages of repair operations, the exit button and the
// backup notice. It owns the database objects (form::FormState) and is the form::WindowOps the
// operations talk to.
//
// Every handler runs through RunHandler, on a worker thread (form::OperationRunner): the window
// keeps painting meanwhile, its log in batches, and a database call that waits shows the wait
// dialog, whose "취소" cancels it. A failure that leaves the handler is shown in the error box,
// and while it runs the window takes no input (clicks, keys, page switches, closing) apart from
// the modal dialogs. The handler talks to the window through State().ui, which carries its calls
// out on the window's thread; anything else it does to widgets goes through
// Runner().OnWindowThread. Its dialogs and error boxes go to the Dialogs it is given, which must
// outlive it.
//
// Creating the window throws db::DbError when the client library cannot be loaded. A failed
// connection does not: FormCreate reports it in the error box and the window is created all the
// same.
class TfmMain : public QWidget, public form::WindowOps {
    Q_OBJECT
public:
    explicit TfmMain(const std::string& databaseName = db::DbConnection::kStoredDatabaseName,
                     Dialogs& dialogs = StandardDialogs(), Clock clock = {},
                     QWidget* parent = nullptr);
    ~TfmMain() override;

    // FormShow, then centre on the screen and show.
    void ShowMain();
    // Warns when the database's date move journal tells of a move that stopped part-way.
    void WarnOfStoppedMove();

    // Runs an event handler on the worker: failures go to the error box, input is held off
    // meanwhile. Returns false (and runs nothing) when another handler is still running.
    bool RunHandler(const std::function<void()>& handler);
    bool IsBusy() const { return busy_; }
    // Runs an operation that changes the database through RunHandler, traced when a trace is set.
    // The operation returns false when it refused or stopped without a message of its own; it
    // also counts as failed when its checks stopped it (FormState::stoppedBeforeChange). With
    // ownResult that result alone tells the trace how it ended (OperationTrace::End).
    void RunOperation(const std::function<bool()>& operation, bool ownResult = false);
    // Where the operations are traced; none by default. Must outlive the window.
    void SetTrace(OperationTrace* trace) { trace_ = trace; }

    form::FormState& State() { return *state_; }
    form::OperationRunner& Runner() { return *runner_; }
    // The wait dialog while it is open, else null.
    TWaitForm* WaitForm() const;

    // Handlers of the window itself.
    void FormCreate();
    void FormShow();
    // Disconnects and clears TableNoList; false (reported) when disconnecting failed.
    bool FormClose();
    void Button2Click();

    // form::WindowOps
    int SelectedIndex(form::ListBoxId list) const override;
    int ItemCount(form::ListBoxId list) const override;
    std::string ItemBytes(form::ListBoxId list, int index) const override;
    void ClearItems(form::ListBoxId list) override;
    void AppendItem(form::ListBoxId list, const std::string& bytes) override;
    bool IsChecked(form::RadioId radio) const override;
    int Tag(form::RadioId radio) const override;
    form::DateTimeValue PickerValue(form::PickerId picker) const override;
    void SetPanelCaption(const std::string& text) override;
    void SetPanelVisible(bool visible) override;
    void SetLabelCaption(form::LabelId label, const std::string& text) override;
    void SetLabelAlignment(form::LabelId label, form::Alignment alignment) override;
    void ClearLog() override;
    void AppendLog(const std::string& line) override;
    void AppendLogLines(const std::vector<std::string>& lines) override;
    // Answered Cancel without showing once the tool has been told to end.
    int MessageDialog(const std::string& text, form::DialogKind kind,
                      form::DialogButtons buttons) override;
    void ShowProgress(const std::string& caption, int done, int total) override;
    void CloseProgress() override;
    // The wait dialog's coming up and closing are traced.
    void ShowWait(const std::string& text, bool cancellable) override;
    bool WaitCancelled() override;
    void CloseWait(int secondsWaited, bool cancelled) override;
    bool StopRequested() override;
    void Trace(const std::string& line) override;

    // Controls, named as in the window's layout.
    TPageControl* PageControl1 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* Button2 = nullptr;
    // Page "선후불변경"
    QLabel* Label1 = nullptr;
    TListBox* ListBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label2 = nullptr;
    // Page "강제그룹취소"
    QLabel* Label3 = nullptr;
    TListBox* ListBox2 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* Label4 = nullptr;
    // Page "테이블 락 제거"
    QPushButton* Button6 = nullptr;
    QLabel* Label6 = nullptr;
    // Page "상품별인쇄설정 누락"
    QPushButton* Button7 = nullptr;
    QLabel* Label7 = nullptr;
    // Page "키오스크 키맵 정리"
    QPushButton* Button8 = nullptr;
    QLabel* Label9 = nullptr;
    // Page "매출일자 변경"
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    TPanel* pblGroup = nullptr;
    QLabel* lbChange01 = nullptr;
    TDateTimePicker* dtChange01 = nullptr;
    QLabel* lbChange02 = nullptr;
    TDateTimePicker* dtChange02 = nullptr;
    QPlainTextEdit* memoChange = nullptr;
    QLabel* Label12 = nullptr;
    QPushButton* Button9 = nullptr;

signals:
    // The window has closed (FormClose done); the application ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    // Appends lines to the log, a line each, as appendPlainText would one by one.
    void DrawLogLines(const std::vector<std::string>& lines);
    void Centre();
    void WireHandlers();
    bool BelongsToWindow(QObject* object) const;
    TListBox* List(form::ListBoxId list) const;
    QRadioButton* Radio(form::RadioId radio) const;
    QLabel* ChangeLabel(form::LabelId label) const;

    Dialogs& dialogs_;
    Clock clock_;
    OperationTrace* trace_ = nullptr;
    std::unique_ptr<form::OperationRunner> runner_;
    std::unique_ptr<form::FormState> state_;
    std::unique_ptr<TWaitForm> waitForm_;
    std::map<const QRadioButton*, int> tags_;
    bool busy_ = false;
    bool closed_ = false;
};

}  // namespace app
