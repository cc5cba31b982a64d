#include "app/MainWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QWindow>

#include "app/Fonts.h"
#include "app/MessageDialog.h"
#include "app/TerminationSignals.h"
#include "datefix/DatePage.h"
#include "datefix/MoveSupport.h"
#include "repairs/BusinessDate.h"
#include "repairs/GroupCancel.h"
#include "repairs/KioskKeyMap.h"
#include "repairs/PaymentMode.h"
#include "repairs/PrintSettings.h"
#include "repairs/TableLocks.h"

namespace app {

namespace {

// Warning lines of the pages.
const QString W1 = QStringLiteral("1. 포스 프로그램 종료 후 사용하세요.");
const QString W2 = QStringLiteral("2. 반드시 메인포스에서 사용하세요.");
const QString W3 = QStringLiteral("3. 주문중인 포스 및 키오스크가 있을시에는 사용하면 안됩니다.");
const QString W4 = QStringLiteral("4. 완료 후 자료전송 하길 권장합니다.");
const QString D3 = QStringLiteral("3. 주문중일시 사용 불가");
const QString D4 = QStringLiteral("4. 변경할 날짜에 매출이 없어야 합니다.");
const QString D5 = QStringLiteral("5. 완료 후 자료전송 필수");

const QString kPanelCaption = QStringLiteral("상단 옵션중 하나를 선택하세요.");

void SetTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

template <typename W>
W* Place(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  const QFont& font, Qt::Alignment alignment) {
    auto* label = Place(new QLabel(text, parent), name, geometry);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A red warning: fixed box, top left, not wrapped, lines set one empty line apart.
QLabel* MakeWarning(QWidget* parent, const char* name, const QStringList& lines,
                    const QRect& geometry) {
    auto* label = MakeLabel(parent, name, lines.join(QStringLiteral("\n\n")), geometry,
                            GulimFont(13, true), Qt::AlignLeft | Qt::AlignTop);
    SetTextColor(label, Qt::red);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text,
                        const QRect& geometry) {
    auto* button = Place(new QPushButton(text, parent), name, geometry);
    button->setAutoDefault(false);
    return button;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const QString& text,
                        const QRect& geometry) {
    auto* radio = Place(new QRadioButton(text, parent), name, geometry);
    radio->setChecked(false);
    return radio;
}

bool IsInputEvent(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

form::DateTimeValue ToValue(const QDateTime& value) {
    const QDate d = value.date();
    const QTime t = value.time();
    return form::DateTimeValue{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

}  // namespace

TfmMain::TfmMain(const std::string& databaseName, Dialogs& dialogs, Clock clock, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return QDateTime::currentDateTime(); };
    BuildLayout();
    // Input to the window is dropped by the event filter while busy; the wait dialog takes it.
    runner_ = std::make_unique<form::OperationRunner>(
        *this, [] { QCoreApplication::processEvents(QEventLoop::AllEvents); },
        [] { return TerminationSignals::Requested(); });
    // The database objects come with the window; a missing client library fails here.
    state_ = std::make_unique<form::FormState>(runner_->Window(), databaseName);
    WireHandlers();
    qApp->installEventFilter(this);
    // A failure that leaves FormCreate is reported and the window is created all the same.
    RunHandler([this] { FormCreate(); });
}

TfmMain::~TfmMain() {
    qApp->removeEventFilter(this);
    // The operations' window interface goes away with the window; the database objects first.
    state_.reset();
    waitForm_.reset();
}

void TfmMain::BuildLayout() {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(QStringLiteral("POS 데이터 변경(관리자)"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    setFont(GulimFont(11));
    setFixedSize(725, 550);  // design size; FormCreate fits the window to its pages

    PageControl1 = Place(new TPageControl(this), "PageControl1", QRect(0, 0, 705, 433));
    PageControl1->setFont(GulimFont(13));
    QWidget* page1 = PageControl1->AddPage(QStringLiteral("선후불변경"), "TabSheet1");
    QWidget* page2 = PageControl1->AddPage(QStringLiteral("강제그룹취소"), "TabSheet2");
    QWidget* page3 = PageControl1->AddPage(QStringLiteral("테이블 락 제거"), "TabSheet3");
    QWidget* page4 = PageControl1->AddPage(QStringLiteral("상품별인쇄설정 누락"), "TabSheet4");
    QWidget* page5 = PageControl1->AddPage(QStringLiteral("키오스크 키맵 정리"), "TabSheet5");
    QWidget* page6 = PageControl1->AddPage(QStringLiteral("매출일자 변경"), "TabSheet6");

    Label8 =
        MakeLabel(this, "Label8", QStringLiteral("* 반드시 메인DB 백업 후 작업하세요 *"),
                  QRect(17, 446, 384, 33), GulimFont(17, true), Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColor(Label8, Qt::red);
    Button2 = MakeButton(this, "Button2", QStringLiteral("종료"), QRect(600, 446, 97, 43));
    Button2->setFont(GulimFont(13, true));

    // Page "선후불변경"
    Label1 = MakeLabel(page1, "Label1", QStringLiteral("POS 선택"), QRect(24, 24, 177, 25),
                       GulimFont(19, true), Qt::AlignLeft | Qt::AlignTop);
    ListBox1 = Place(new TListBox(page1), "ListBox1", QRect(16, 48, 153, 193));
    ListBox1->setFont(GulimFont(13, true));
    RadioButton1 =
        MakeRadio(page1, "RadioButton1", QStringLiteral("선불제"), QRect(200, 56, 113, 17));
    RadioButton1->setFont(GulimFont(16, true));
    RadioButton2 =
        MakeRadio(page1, "RadioButton2", QStringLiteral("후불제"), QRect(200, 88, 113, 17));
    RadioButton2->setFont(GulimFont(16, true));
    Button1 = MakeButton(page1, "Button1", QStringLiteral("변경"), QRect(336, 56, 97, 57));
    Button1->setFont(SansFont(11, true));
    Label2 = MakeWarning(page1, "Label2", {W1, W2}, QRect(184, 144, 273, 65));

    // Page "강제그룹취소"
    Label3 = MakeLabel(page2, "Label3", QStringLiteral("그룹 테이블"), QRect(24, 24, 177, 25),
                       GulimFont(19, true), Qt::AlignLeft | Qt::AlignTop);
    ListBox2 = Place(new TListBox(page2), "ListBox2", QRect(16, 48, 249, 193));
    ListBox2->setFont(GulimFont(13, true));
    Button4 = MakeButton(page2, "Button4", QStringLiteral("검색"), QRect(280, 48, 137, 49));
    Button3 =
        MakeButton(page2, "Button3", QStringLiteral("강제그룹취소"), QRect(280, 192, 137, 49));
    Label4 = MakeWarning(page2, "Label4", {W1, W2}, QRect(17, 254, 273, 45));

    // Page "테이블 락 제거"
    Button6 = MakeButton(page3, "Button6", QStringLiteral("전체 테이블 락 제거"),
                         QRect(168, 56, 329, 113));
    Label6 = MakeWarning(page3, "Label6", {W1, W2, W3}, QRect(17, 222, 464, 75));

    // Page "상품별인쇄설정 누락"
    Button7 = MakeButton(page4, "Button7", QStringLiteral("상품별인쇄설정 누락시 처리"),
                         QRect(168, 56, 329, 113));
    Label7 = MakeWarning(page4, "Label7", {W1, W2, W3, W4}, QRect(17, 192, 464, 113));

    // Page "키오스크 키맵 정리"
    Button8 =
        MakeButton(page5, "Button8", QStringLiteral("키맵이상 정리"), QRect(168, 56, 329, 113));
    Label9 = MakeWarning(page5, "Label9", {W1, W2, W3, W4}, QRect(17, 192, 464, 113));

    // Page "매출일자 변경"
    RadioButton3 = MakeRadio(page6, "RadioButton3",
                             QStringLiteral("지정된 날짜 변경 (20240313 -> 20240314 로 변경)"),
                             QRect(24, 16, 385, 17));
    RadioButton4 = MakeRadio(
        page6, "RadioButton4",
        QStringLiteral(
            "다중 날짜 변경 (20240313 마감 안하고 20240316 일까지 사용시 14,15,16 일로 변경)"),
        QRect(24, 48, 625, 17));
    tags_[RadioButton1] = 0;
    tags_[RadioButton2] = 0;
    tags_[RadioButton3] = 1;
    tags_[RadioButton4] = 2;

    pblGroup = Place(new TPanel(page6), "pblGroup", QRect(8, 80, 673, 257));
    pblGroup->SetCaptionFont(GulimFont(16, true), Qt::red);
    pblGroup->SetCaption(kPanelCaption);
    lbChange01 = MakeLabel(pblGroup, "lbChange01", QStringLiteral("잘못되어있는 일자"),
                           QRect(8, 16, 145, 25), GulimFont(16), Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColor(lbChange01, Qt::black);
    dtChange01 = Place(new TDateTimePicker(pblGroup), "dtChange01", QRect(160, 16, 186, 27));
    dtChange01->setFont(GulimFont(19));
    SetTextColor(dtChange01, Qt::black);
    lbChange02 = MakeLabel(pblGroup, "lbChange02", QStringLiteral("변경할 일자"),
                           QRect(8, 48, 145, 25), GulimFont(16), Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColor(lbChange02, Qt::black);
    dtChange02 = Place(new TDateTimePicker(pblGroup), "dtChange02", QRect(160, 48, 186, 27));
    dtChange02->setFont(GulimFont(19));
    SetTextColor(dtChange02, Qt::black);
    memoChange = Place(new QPlainTextEdit(pblGroup), "memoChange", QRect(8, 83, 345, 161));
    memoChange->setFont(GulimFont(15));
    SetTextColor(memoChange, Qt::black);
    memoChange->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memoChange->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memoChange->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memoChange->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memoChange->setTabChangesFocus(true);
    memoChange->setReadOnly(false);
    memoChange->setUndoRedoEnabled(false);
    Label12 = MakeWarning(pblGroup, "Label12", {W1, W2, D3, D4, D5}, QRect(377, 19, 288, 133));
    Button9 =
        MakeButton(pblGroup, "Button9", QStringLiteral("매출일자 변경"), QRect(488, 181, 177, 57));
    Button9->setFont(GulimFont(16, true));
    SetTextColor(Button9, Qt::black);
    pblGroup->setVisible(false);

    // Focus order: the page control, the controls of each page, then the exit button.
    for (QLabel* label : findChildren<QLabel*>()) label->setFocusPolicy(Qt::NoFocus);
    QWidget* order[] = {PageControl1, ListBox1,     RadioButton1, RadioButton2, Button1,
                        ListBox2,     Button3,      Button4,      Button6,      Button7,
                        Button8,      RadioButton3, RadioButton4, dtChange01,   Button9,
                        dtChange02,   memoChange,   Button2};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void TfmMain::WireHandlers() {
    // A store repair changes the database and shows its own failure message.
    const auto repair = [this](void (*handler)(form::FormState&)) {
        return [this, handler] {
            RunOperation([this, handler] {
                handler(*state_);
                return true;
            });
        };
    };
    connect(Button1, &QPushButton::clicked, this, repair(repairs::Button1Click));
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, repair(repairs::Button3Click));
    connect(Button4, &QPushButton::clicked, this,
            [this] { RunHandler([this] { repairs::Button4Click(*state_); }); });
    connect(Button6, &QPushButton::clicked, this, repair(repairs::Button6Click));
    connect(Button7, &QPushButton::clicked, this, repair(repairs::Button7Click));
    connect(Button8, &QPushButton::clicked, this, repair(repairs::Button8Click));
    connect(Button9, &QPushButton::clicked, this,
            [this] { RunOperation([this] { return datefix::Button9Click(*state_); }, true); });
    // A radio button's click runs when it becomes checked.
    connect(RadioButton3, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            RunHandler(
                [this] { datefix::RadioButton3Click(*state_, form::RadioId::RadioButton3); });
    });
    connect(RadioButton4, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            RunHandler(
                [this] { datefix::RadioButton3Click(*state_, form::RadioId::RadioButton4); });
    });
}

bool TfmMain::RunHandler(const std::function<void()>& handler) {
    if (busy_) return false;
    busy_ = true;
    // A tool told to end shows no more boxes.
    auto showError = [this](const std::string& text) {
        if (!TerminationSignals::Requested()) dialogs_.ShowErrorBox(ErrorBoxText(text));
    };
    try {
        runner_->Run(state_->IBDatabase1, handler);
    } catch (const std::exception& e) {
        showError(e.what());
    } catch (...) {
        showError("Unknown failure");
    }
    // Input held back during the run is delivered now, while still busy, and so dropped.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    busy_ = false;
    return true;
}

void TfmMain::RunOperation(const std::function<bool()>& operation, bool ownResult) {
    std::string warning;
    const std::string page =
        PageControl1->TabCaption(PageControl1->ActivePageIndex()).toStdString();
    // The trace is written on the window's thread, where the log lines the operation posted are
    // drawn and traced: its end then follows its last line.
    auto onWindow = [this](const std::function<void()>& fn) { runner_->OnWindowThread(fn); };
    RunHandler([this, &operation, &warning, &page, &onWindow, ownResult] {
        state_->stoppedBeforeChange = false;
        // The checks may have held connecting off for this operation only.
        struct ResumeAfter {
            db::DbConnection& connection;
            ~ResumeAfter() { connection.ResumeConnect(); }
        } resume{state_->IBDatabase1};
        if (!trace_) {
            operation();
            return;
        }
        onWindow([&] { trace_->Begin(page); });
        auto failed = [&](const std::string& text) {
            onWindow([&] {
                trace_->Escaped(ErrorBoxText(text));
                warning = trace_->End(true);
            });
        };
        bool done = false;
        try {
            done = operation() && !state_->stoppedBeforeChange;
        } catch (const std::exception& e) {
            failed(e.what());
            throw;
        } catch (...) {
            failed("Unknown failure");
            throw;
        }
        onWindow([&] { warning = trace_->End(!done, ownResult); });
    });
    if (!warning.empty())
        dialogs_.MessageDialog(warning, form::DialogKind::Warning, form::DialogButtons::Ok);
}

void TfmMain::FormCreate() {
    runner_->OnWindowThread([this] {
        PageControl1->SetActivePageIndex(0);
        setFixedSize(PageControl1->width() + 5, PageControl1->height() + 80);
        dtChange01->SetDateTime(clock_());
        dtChange02->SetDateTime(clock_());
    });
    state_->TableNoList.clear();
    state_->IBDatabase1.Connect();
}

void TfmMain::FormShow() {
    if (!state_->IBDatabase1.IsConnected()) {
        state_->ui.MessageDialog("DB연결실패", form::DialogKind::Warning, form::DialogButtons::Ok);
        return;
    }
    try {
        repairs::LoadPosList(*state_);
    } catch (...) {
        // A failure to fill the POS list is not reported.
    }
    repairs::LoadGroupTables(*state_);
}

void TfmMain::ShowMain() {
    RunHandler([this] { FormShow(); });
    Centre();
    show();
    Centre();  // again, now that the frame around the client area is known
}

void TfmMain::WarnOfStoppedMove() {
    const form::MoveJournal* journal = state_->moveJournal;
    if (!journal) return;
    const std::optional<form::MoveJournalEntry> stopped =
        journal->Find(state_->IBDatabase1.DatabaseName());
    if (stopped && !stopped->rows.empty())
        MessageDialog(datefix::StoppedMoveWarning(*stopped), form::DialogKind::Warning,
                      form::DialogButtons::Ok);
}

void TfmMain::Centre() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(CentredPosition(screen->geometry().size(), frameGeometry().size()));
    }
}

bool TfmMain::FormClose() {
    bool closed = false;
    RunHandler([this, &closed] {
        state_->IBDatabase1.Disconnect();
        state_->TableNoList.clear();
        closed = true;
    });
    return closed;
}

void TfmMain::Button2Click() {
    close();
}

void TfmMain::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    if (!closed_ && !FormClose()) {
        event->ignore();  // disconnecting failed and was reported; closing can be tried again
        return;
    }
    const bool first = !closed_;
    closed_ = true;
    event->accept();
    if (first) emit Closed();
}

bool TfmMain::BelongsToWindow(QObject* object) const {
    if (object == static_cast<QObject*>(windowHandle())) return true;
    if (!object->isWidgetType()) return false;
    return static_cast<QWidget*>(object)->window() == this;
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    if (!IsInputEvent(event->type()) || !BelongsToWindow(watched)) return false;
    if (busy_) return true;
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;

    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    auto* widget = static_cast<QWidget*>(watched);
    // Ctrl+Tab and Ctrl+Shift+Tab switch pages while the focus is in the page control.
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
        (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) &&
        (widget == PageControl1 || PageControl1->isAncestorOf(widget))) {
        const bool back = key->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
        PageControl1->SelectNextPage(!back);
        return true;
    }
    if (key->key() == Qt::Key_F4 && mods == Qt::AltModifier) {
        close();
        return true;
    }
    return false;
}

TListBox* TfmMain::List(form::ListBoxId list) const {
    return list == form::ListBoxId::ListBox1 ? ListBox1 : ListBox2;
}

QRadioButton* TfmMain::Radio(form::RadioId radio) const {
    switch (radio) {
        case form::RadioId::RadioButton1:
            return RadioButton1;
        case form::RadioId::RadioButton2:
            return RadioButton2;
        case form::RadioId::RadioButton3:
            return RadioButton3;
        case form::RadioId::RadioButton4:
            return RadioButton4;
    }
    return nullptr;
}

QLabel* TfmMain::ChangeLabel(form::LabelId label) const {
    return label == form::LabelId::lbChange01 ? lbChange01 : lbChange02;
}

int TfmMain::SelectedIndex(form::ListBoxId list) const {
    return List(list)->ItemIndex();
}

int TfmMain::ItemCount(form::ListBoxId list) const {
    return List(list)->count();
}

std::string TfmMain::ItemBytes(form::ListBoxId list, int index) const {
    return List(list)->BytesAt(index);
}

void TfmMain::ClearItems(form::ListBoxId list) {
    List(list)->clear();
}

void TfmMain::AppendItem(form::ListBoxId list, const std::string& bytes) {
    List(list)->AppendBytes(bytes);
}

bool TfmMain::IsChecked(form::RadioId radio) const {
    return Radio(radio)->isChecked();
}

int TfmMain::Tag(form::RadioId radio) const {
    return tags_.at(Radio(radio));
}

form::DateTimeValue TfmMain::PickerValue(form::PickerId picker) const {
    const TDateTimePicker* control = picker == form::PickerId::dtChange01 ? dtChange01 : dtChange02;
    return ToValue(control->DateTime());
}

void TfmMain::SetPanelCaption(const std::string& text) {
    pblGroup->SetCaption(QString::fromStdString(text));
}

void TfmMain::SetPanelVisible(bool visible) {
    pblGroup->setVisible(visible);
}

void TfmMain::SetLabelCaption(form::LabelId label, const std::string& text) {
    ChangeLabel(label)->setText(QString::fromStdString(text));
}

void TfmMain::SetLabelAlignment(form::LabelId label, form::Alignment alignment) {
    ChangeLabel(label)->setAlignment(
        (alignment == form::Alignment::Right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

namespace {

// Lines of a batch in one block of the log's text document: it lays out only the blocks in view,
// so a block holds no more than a few screens.
constexpr std::size_t kLogLinesPerBlock = 32;

}  // namespace

void TfmMain::ClearLog() {
    memoChange->clear();
}

void TfmMain::AppendLog(const std::string& line) {
    memoChange->appendPlainText(QString::fromStdString(line));
    if (trace_) trace_->Line(line);
}

void TfmMain::AppendLogLines(const std::vector<std::string>& lines) {
    if (!lines.empty()) DrawLogLines(lines);
    if (trace_) trace_->Lines(lines);
}

void TfmMain::DrawLogLines(const std::vector<std::string>& lines) {
    // One insert for the batch, its lines kLogLinesPerBlock to a block of the text document,
    // joined by line separators (U+2028): the document takes a block in about 2 us and a line
    // within one in a tenth of that, and a move draws a line per row. Shown, read back and copied,
    // a line separator is a line break like a new block.
    QTextDocument* document = memoChange->document();
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    // The log follows its end when the end was in view, as appendPlainText does.
    const bool follow = memoChange->isVisible() && memoChange->cursorRect(end).bottom() <=
                                                       memoChange->viewport()->rect().bottom();
    const bool empty = document->isEmpty();
    const int firstNew = empty ? 0 : document->blockCount();
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += i % kLogLinesPerBlock == 0 ? "\n" : "\xE2\x80\xA8";
        text += lines[i];  // an empty line is a line too
    }
    end.beginEditBlock();
    if (!empty) end.insertBlock();
    end.insertText(QString::fromStdString(text));
    end.endEditBlock();
    // The edit scrolls line by line but counts a block it has not laid out as one line: each new
    // block counts its own lines, so that the log scrolls as with a block per line.
    for (QTextBlock block = document->findBlockByNumber(firstNew); block.isValid();
         block = block.next()) {
        if (block.layout()->lineCount() == 0)
            block.setLineCount(static_cast<int>(block.text().count(QChar::LineSeparator)) + 1);
    }
    // The edit learns of the new count from its layout's size signal only.
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
    if (follow)
        memoChange->verticalScrollBar()->setValue(memoChange->verticalScrollBar()->maximum());
}

int TfmMain::MessageDialog(const std::string& text, form::DialogKind kind,
                           form::DialogButtons buttons) {
    const bool shown = !TerminationSignals::Requested();
    const int result = shown ? dialogs_.MessageDialog(text, kind, buttons) : form::kResultCancel;
    if (trace_ && shown) trace_->Dialog(text, kind, buttons, result);
    // The end may also have come while the box was open, and closed it.
    if (trace_ && TerminationSignals::Requested())
        trace_->DialogWhileEnding(kind, buttons, result, shown);
    return result;
}

void TfmMain::ShowProgress(const std::string& caption, int done, int total) {
    dialogs_.ShowProgress(caption, done, total);
}

void TfmMain::CloseProgress() {
    dialogs_.CloseProgress();
}

void TfmMain::ShowWait(const std::string& text, bool cancellable) {
    if (!waitForm_) waitForm_ = std::make_unique<TWaitForm>(this);
    if (trace_ && !waitForm_->isVisible()) trace_->Wait(text);
    waitForm_->ShowText(QString::fromStdString(text), cancellable);
}

bool TfmMain::WaitCancelled() {
    return waitForm_ && waitForm_->isVisible() && waitForm_->Cancelled();
}

void TfmMain::CloseWait(int secondsWaited, bool cancelled) {
    if (!waitForm_ || !waitForm_->isVisible()) return;
    waitForm_->hide();
    if (trace_) trace_->WaitEnded(secondsWaited, cancelled);
}

bool TfmMain::StopRequested() {
    return TerminationSignals::Requested();
}

void TfmMain::Trace(const std::string& line) {
    if (trace_) trace_->Line(line);
}

TWaitForm* TfmMain::WaitForm() const {
    return waitForm_ && waitForm_->isVisible() ? waitForm_.get() : nullptr;
}

}  // namespace app
