#include "app/UVisWorkspace.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QComboBox>
#include <QTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTime>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <new>
#include <random>
#include <set>

#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "data/Auxiliar.h"
#include "data/PreProcessedData.h"
#include "techniques/Techniques.h"
#include "vis/VisualizationPanel.h"
#include "vis/SelectionsController.h"

namespace {
// Design geometry is given at 144 pixels per inch; Qt lays out at 96.
constexpr int D(int design) { return (design * 2 + 1) / 3; }

// What the borders and the caption of a workspace take, as the layout routines count it.
constexpr int FrameHeight = 26;
constexpr int FrameWidth = 10;
constexpr int MaxComboWidth = 150;

// A caption with the minimise and maximise buttons only: no system menu, no close box.
constexpr Qt::WindowFlags SubWindowFlags =
    Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint;


QString ToQString(const std::string& bytes)
{
    const std::string utf8 = BytesToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The time-of-day sum followed by a random number, as the tree shows and compares them;
// a process-wide record of the identifiers handed out keeps every one unique, even for
// workspaces made within the same millisecond.
std::string NewIdentifier()
{
    static std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    static std::set<std::string> issued;
    for (;;) {
        const QTime now = QTime::currentTime();
        const int stamp = now.hour() + now.minute() + now.second() + now.msec();
        std::string identifier = IntToStr(stamp) + IntToStr(static_cast<long long>(generator() % 9999999));
        if (issued.insert(identifier).second) return identifier;
    }
}

QFont PixelFont(const QFont& base, int pixelSize, bool bold)
{
    QFont font(base);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

int Bottom(const QWidget* widget) { return widget->y() + widget->height(); }
int Right(const QWidget* widget) { return widget->x() + widget->width(); }

class TClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (OnClick && event->button() == Qt::LeftButton) OnClick();
        QLabel::mousePressEvent(event);
    }
};

// The floating window of a detached view; it goes only when the view is put back.
class TDetachedWindow : public QWidget {
public:
    TDetachedWindow() : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// A key or wheel event that a closed combo box answers by selecting another item. Keys that
// open the list (F4, Alt+Down, space) and those of the open list (its own widget) pass.
bool StepsTheClosedComboBox(const QEvent* event)
{
    if (event->type() == QEvent::Wheel) return true;
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: return !(key->modifiers() & Qt::AltModifier);
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right: return true;
    case Qt::Key_Space: return false;
    default: return !key->text().isEmpty() && key->text().at(0).isPrint();
    }
}

void FillWith(QWidget* container, QWidget* view)
{
    view->setParent(container);
    container->layout()->addWidget(view);
    view->show();
}
} // namespace

TFormVisWorkspace::TFormVisWorkspace(TFormVisualizationTree* mainWindow)
    : QMdiSubWindow(nullptr), MainWindowValue(mainWindow), IdentifierValue(NewIdentifier())
{
    // No system menu, hence no close box: workspaces go only when the tree removes them.
    setWindowFlags(SubWindowFlags);
    setWindowTitle(QStringLiteral("Visualization Workspace"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setFont(PixelFont(font(), D(17), false));

    Client = new QWidget;
    Client->setObjectName(QStringLiteral("Client"));
    Client->setAutoFillBackground(true);
    Client->setBackgroundRole(QPalette::Button);
    setWidget(Client);

    GroupBoxControls = new QGroupBox(Client);
    GroupBoxControls->setObjectName(QStringLiteral("GroupBoxControls"));
    GroupBoxControls->setGeometry(0, 0, D(506), D(63));
    ComboBoxVisualizations = new QComboBox(GroupBoxControls);
    ComboBoxVisualizations->setObjectName(QStringLiteral("ComboBoxVisualizations"));
    ComboBoxVisualizations->setGeometry(D(13), D(18), D(230), D(28));
    ButtonGoVis = new QPushButton(QStringLiteral("Vis->"), GroupBoxControls);
    ButtonGoVis->setObjectName(QStringLiteral("ButtonGoVis"));
    ButtonGoVis->setGeometry(D(259), D(18), D(50), D(31));

    const QFont detailsFont = PixelFont(font(), D(20), true);
    ButtonUpperDetails = new QPushButton(QStringLiteral("+"), Client);
    ButtonUpperDetails->setObjectName(QStringLiteral("ButtonUpperDetails"));
    ButtonUpperDetails->setGeometry(D(483), D(66), D(26), D(20));
    ButtonUpperDetails->setFont(detailsFont);

    PageControlVisualizations = new QTabWidget(Client);
    PageControlVisualizations->setObjectName(QStringLiteral("PageControlVisualizations"));
    PageControlVisualizations->setGeometry(0, D(60), D(481), D(289));
    PageControlVisualizations->setFont(PixelFont(font(), D(12), false));
    for (int i = 0; i < TabSheetCount; ++i) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        PageControlVisualizations->addTab(sheet, QStringLiteral("TabSheet%1").arg(i + 1));
    }

    ButtonLowerDetails = new QPushButton(QStringLiteral("+"), Client);
    ButtonLowerDetails->setObjectName(QStringLiteral("ButtonLowerDetails"));
    ButtonLowerDetails->setGeometry(D(483), D(326), D(26), D(22));
    ButtonLowerDetails->setFont(detailsFont);

    PanelLabel = new QFrame(Client);
    PanelLabel->setObjectName(QStringLiteral("PanelLabel"));
    PanelLabel->setGeometry(0, D(348), D(506), D(155));
    PanelLabel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelLabel->setLineWidth(2);
    PanelLabel->setAutoFillBackground(true);
    PanelLabel->setBackgroundRole(QPalette::Window);
    QPalette white = PanelLabel->palette();
    white.setColor(QPalette::Window, Qt::white);
    PanelLabel->setPalette(white);

    const QFont labelFont = PixelFont(font(), D(12), true);
    auto makeLabel = [&](QLabel* label, const char* name, const QString& text, bool wrap) {
        label->setObjectName(QLatin1String(name));
        label->setText(text);
        label->setFont(labelFont);
        label->setWordWrap(wrap);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    };
    LabelWhereWord = makeLabel(new QLabel(PanelLabel), "LabelWhereWord", QStringLiteral("- WHERE "), false);
    LabelWhereWord->move(D(9), D(9));
    LabelWhereWord->adjustSize();
    LabelWhereClause = makeLabel(new QLabel(PanelLabel), "LabelWhereClause", QStringLiteral("......"), true);
    LabelWhereClause->setGeometry(D(108), D(9), D(25), D(13));
    LabelTotal = makeLabel(new QLabel(PanelLabel), "LabelTotal", QStringLiteral("- Total records:"), true);
    LabelTotal->move(D(9), D(34));
    LabelLevel = makeLabel(new QLabel(PanelLabel), "LabelLevel", QStringLiteral("- "), true);
    LabelLevel->move(D(9), D(61));
    auto* comment = new TClickLabel(PanelLabel);
    comment->OnClick = [this] { LabelCommentClick(); };
    LabelComment = makeLabel(comment, "LabelComment", QStringLiteral("- Comment:"), false);
    LabelComment->move(D(9), D(83));
    LabelComment->adjustSize();
    EditComment = new QLineEdit(PanelLabel);
    EditComment->setObjectName(QStringLiteral("EditComment"));
    EditComment->setGeometry(D(111), D(83), D(370), D(42));
    EditComment->setFrame(false);
    for (QLabel* label : {LabelWhereClause, LabelTotal, LabelLevel}) FitLabel(label, label->width());

    connect(ComboBoxVisualizations, &QComboBox::activated, this, [this] { ComboBoxVisualizationsChange(); });
    // The closed box steps through its items on typed letters, arrow keys and the wheel, and
    // reports each step as an activation: those never reach it, so only a pick opens a view.
    ComboBoxVisualizations->installEventFilter(this);
    connect(ButtonGoVis, &QPushButton::clicked, this, [this] { ButtonGoVisClick(); });
    connect(ButtonUpperDetails, &QPushButton::clicked, this, [this] { ButtonUpperDetailsClick(); });
    connect(ButtonLowerDetails, &QPushButton::clicked, this, [this] { ButtonLowerDetailsClick(); });
    connect(EditComment, &QLineEdit::textChanged, this, [this] { EditCommentChange(); });

    resize(D(387), D(451));

    // Size constraints from the main window's client width.
    if (MainWindowValue) {
        const int clientWidth = MainWindowValue->ClientWidth();
        const int maxWidth = static_cast<int>(clientWidth * 0.8);
        const int minWidth = static_cast<int>(clientWidth * 0.2);
        ConstraintMaximum = QSize(maxWidth, static_cast<int>(maxWidth * 2.0 / 3.0));
        ConstraintMinimum = QSize(minWidth, static_cast<int>(minWidth * 2.0 / 3.0));
        setMaximumSize(ConstraintMaximum);
        setMinimumSize(ConstraintMinimum);
        MainWindowValue->MdiArea()->addSubWindow(this);
        setWindowFlags(SubWindowFlags);  // the MDI area adds a system menu, with its Close
    }

    Constructing = false;
    FormCreate();
    // Connected once the pages are hidden: hiding them moves the current page about.
    connect(PageControlVisualizations, &QTabWidget::currentChanged, this, [this] { PageControlVisualizationsChange(); });
    show();
}

TFormVisWorkspace::~TFormVisWorkspace()
{
    DetachActiveView(false);
    Views.clear();
    DetachedWindow.reset();
    SelectionsControllerValue.reset();
    DataValue.reset();
}

void TFormVisWorkspace::FormCreate()
{
    for (int i = 0; i < TabSheetCount; ++i) PageControlVisualizations->setTabVisible(i, false);
    LowerDetailsShownValue = false;
    LayoutLowerDetails();
    UpperDetailsShownValue = false;
    LayoutUpperDetails();
    SetFormHeight(200);
    SetFormSize(338, Height());
    for (const char* item : TechniqueItemsInComboOrder()) ComboBoxVisualizations->addItem(QLatin1String(item));
    ComboBoxVisualizations->setCurrentIndex(0);
}

// ---- loading -------------------------------------------------------------------------------

// Loads that run out of memory leave no dataset behind and say so, naming what was loaded.
bool TFormVisWorkspace::OutOfMemory(const std::string& what)
{
    DataValue.reset();
    SelectionsControllerValue.reset();
    ShowMessage(TMessageKind::Warning, "", "Not enough memory to load " + what + ".");
    return false;
}

bool TFormVisWorkspace::LoadFromTextFile(const std::string& fileName)
{
    try {
        DataValue = std::make_unique<TPreProcessedData>();
        if (!DataValue->ReadDataFile(fileName)) return false;
    } catch (const std::bad_alloc&) {
        return OutOfMemory("the text file \"" + BytesToUtf8(fileName) + "\"");
    }
    LabelWhereWord->hide();
    LabelWhereClause->move(6, LabelWhereClause->y());
    SetWhereClause("- SELECT * FROM " + ExtractFileName(fileName));
    FinishLoad();
    return true;
}

bool TFormVisWorkspace::LoadFromTable(TTableSource& table, const std::string& tableName)
{
    try {
        DataValue = std::make_unique<TPreProcessedData>();
        if (!DataValue->ReadTable(table)) return false;
    } catch (const std::bad_alloc&) {
        return OutOfMemory("the table \"" + tableName + "\"");
    }
    LabelWhereWord->hide();
    LabelWhereClause->move(6, LabelWhereClause->y());
    SetWhereClause("- SELECT * FROM " + tableName);
    FinishLoad();
    return true;
}

bool TFormVisWorkspace::LoadFromSelection(TSelectionsController* controller, TPreProcessedData* parentData, bool fullDomain)
{
    if (!controller || !parentData) return false;
    TRecordList* records = controller->ListOfItemsSatisfyingSelections();
    if (!records) return false;
    if (records->empty()) {
        ShowMessage(TMessageKind::Warning, "Warning", "No records satisfy the selections: there is nothing to pipeline");
        return false;
    }
    try {
        DataValue = std::make_unique<TPreProcessedData>();
        SetWhereClause(controller->GetWhereClause());
        DataValue->BuildSubset(*records, parentData, fullDomain);
        FinishLoad();
    } catch (const std::bad_alloc&) {
        return OutOfMemory("the selected records");
    }
    return true;
}

void TFormVisWorkspace::LoadFromComposition(TVisTreeCompositionNode* composition)
{
    if (LoadCompositionFromTable(composition)) return;  // sampled members: the engine gives the union
    DataValue = std::make_unique<TPreProcessedData>();
    std::string condition;
    if (composition)
        for (const TVisTreeNode* member : composition->Members) {
            const TFormVisWorkspace* workspace = member ? member->Workspace.get() : nullptr;
            if (!workspace || !workspace->Data() || workspace->Data()->RecordsNumber == 0) continue;
            DataValue->AppendUnion(workspace->Data());
            condition += workspace->WhereClause() + " OR ";
        }
    DataValue->CompleteLoad();
    if (condition.size() >= 4) condition.resize(condition.size() - 4);
    SetWhereClause(condition);
    FinishLoad();
}

// The record count, then a selections controller bound to the new dataset.
void TFormVisWorkspace::FinishLoad()
{
    QString total = QStringLiteral("- Total records: ") + QString::number(DataValue->RecordsNumber);
    for (const std::string& note : DataValue->LoadNotes) total += QLatin1Char('\n') + ToQString(note);
    LabelTotal->setText(total);
    FitLabel(LabelTotal, LabelTotal->width());
    StackLabels();
    SelectionsControllerValue = std::make_unique<TSelectionsController>();
    SelectionsControllerValue->BindData(DataValue.get());
}

// ---- techniques and views --------------------------------------------------------------------

int TFormVisWorkspace::TechniqueIndex(const QString& itemText)
{
    const QByteArray text = itemText.toUtf8();
    return TechniqueIndexOfItem(std::string_view(text.constData(), std::size_t(text.size())));
}

void TFormVisWorkspace::ComboBoxVisualizationsChange()
{
    if (ComboBoxVisualizations->currentIndex() < 0) return;
    const int index = TechniqueIndex(ComboBoxVisualizations->currentText());
    if (index >= 0) CreateView(index);
}

void TFormVisWorkspace::ButtonGoVisClick() { ComboBoxVisualizationsChange(); }

// The techniques' views come from the list of techniques; null for one without a view.
std::unique_ptr<QWidget> TFormVisWorkspace::NewView(int index)
{
    if (index < 0 || index >= TechniqueCount) return nullptr;
    const TTechnique& technique = Techniques()[std::size_t(index)];
    return technique.Create ? technique.Create() : nullptr;
}

void TFormVisWorkspace::ShowViewMessage(const QString& text)
{
    if (!ViewMessage) {
        ViewMessage = new QLabel(PageControlVisualizations);
        ViewMessage->setObjectName(QStringLiteral("LabelViewMessage"));
        ViewMessage->setAlignment(Qt::AlignCenter);
        ViewMessage->setWordWrap(true);
        ViewMessage->setAutoFillBackground(true);
        ViewMessage->setFrameShape(QFrame::Box);
        ViewMessageTimer = new QTimer(this);
        ViewMessageTimer->setSingleShot(true);
        connect(ViewMessageTimer, &QTimer::timeout, ViewMessage, &QLabel::hide);
    }
    ViewMessage->setText(text);
    const QRect area = PageControlVisualizations->rect();
    const int width = std::min(area.width(), 320);
    ViewMessage->setGeometry(area.x() + (area.width() - width) / 2, area.y() + area.height() / 2 - 30, width, 60);
    ViewMessage->show();
    ViewMessage->raise();
    ViewMessageTimer->start(4000);
}

void TFormVisWorkspace::CreateView(int index)
{
    if (index < 0 || index >= TechniqueCount || !DataValue) return;
    std::unique_ptr<QWidget> view = NewView(index);
    if (!view) {
        ShowViewMessage(QLatin1String(Techniques()[std::size_t(index)].Item) +
                        QStringLiteral(" cannot be opened: this build has no view for it yet."));
        return;
    }
    // The view gets, in this order, the pipeline permission, the dataset, the shared
    // controller (its own is freed), its workspace and the main window's callbacks, and a
    // first paint, which binds the controller's callbacks to it.
    if (auto* panel = qobject_cast<TVisualizationPanel*>(view.get())) {
        panel->PipelineAllowed = PipelineAllowedValue;
        panel->SetPreProcessedData(DataValue.get());
        panel->SetSelectionsController(SelectionsControllerValue.get());
        panel->WorkspaceWindow = this;
        if (TFormVisualizationTree* main = MainWindowValue) {
            const TPipelineFunction pipeline = [main](TSelectionsController* controller, TPreProcessedData* data,
                                                      QWidget* parentWorkspace, bool fullDomain) {
                main->OpenPipelineWorkspace(controller, data, qobject_cast<TFormVisWorkspace*>(parentWorkspace),
                                            fullDomain);
            };
            panel->SetPipelineViewFunction = pipeline;
            panel->SetPipelineFullViewFunction = pipeline;
            panel->SetPruneBranchFunction = [main](QWidget* workspace) {
                main->PruneWorkspaceBranch(qobject_cast<TFormVisWorkspace*>(workspace));
            };
            panel->SaveViewImageFunction = [main](TVisualizationPanel* view) { main->SaveViewImageDialog(view); };
        }
        panel->Repaint();
    }
    const int sheet = FirstFreeTabSheet();
    PageControlVisualizations->setTabVisible(sheet, true);
    ++ViewCount[index];
    PageControlVisualizations->setTabText(
        sheet, QLatin1String(Techniques()[std::size_t(index)].CaptionPrefix) + QString::number(ViewCount[index]));
    QWidget* page = PageControlVisualizations->widget(sheet);
    FillWith(page, view.get());
    view->installEventFilter(this);  // moves over the view reach the main window too
    Views.push_back(std::move(view));
    PageControlVisualizations->setCurrentIndex(sheet);
    UpperDetailsShownValue = false;
    LowerDetailsShownValue = false;
    LayoutUpperDetails();
    LayoutLowerDetails();
    UpdateLevelLabel();
}

int TFormVisWorkspace::FirstFreeTabSheet() const
{
    for (int i = 0; i < TabSheetCount; ++i)
        if (!PageControlVisualizations->isTabVisible(i)) return i;
    return TabSheetCount - 1;
}

int TFormVisWorkspace::ActivePageIndex() const
{
    const int current = PageControlVisualizations->currentIndex();
    if (current < 0 || !PageControlVisualizations->isTabVisible(current)) return -1;
    return current;
}

QWidget* TFormVisWorkspace::ActiveView() const
{
    const int active = ActivePageIndex();
    if (active >= 0) {
        const QWidget* page = PageControlVisualizations->widget(active);
        for (const auto& view : Views)
            if (view->parentWidget() == page) return view.get();
    }
    if (DetachedWindow)
        for (const auto& view : Views)
            if (view->parentWidget() == DetachedWindow.get()) return view.get();
    return nullptr;
}

void TFormVisWorkspace::PageControlVisualizationsChange()
{
    // The view of the page now shown paints at once (and so binds the shared controller's
    // callbacks to itself).
    if (auto* panel = qobject_cast<TVisualizationPanel*>(ActiveView())) panel->Repaint();
    UpdateLevelLabel();
}

void TFormVisWorkspace::SetPipelineAllowed(bool value)
{
    PipelineAllowedValue = value;
    for (const auto& view : Views)
        if (auto* panel = qobject_cast<TVisualizationPanel*>(view.get())) panel->PipelineAllowed = value;
}

void TFormVisWorkspace::DetachActiveView(bool detach)
{
    if (detach == ViewDetached) return;
    // The zoomed view goes back to the page it came from: another page may be current by then.
    QWidget* view = detach ? ActiveView() : DetachedView;
    if (!view) return;
    ViewDetached = detach;
    if (detach) {
        DetachedView = view;
        DetachedPage = ActivePageIndex();
        DetachedWindow = std::make_unique<TDetachedWindow>();
        DetachedWindow->move(DetachedWindow->x(), 40);
        if (MainWindowValue) {
            const QScreen* screen = MainWindowValue->screen();
            const QRect available = screen ? screen->availableGeometry() : QRect();
            DetachedWindow->setGeometry(DetachedGeometry(MainWindowValue->geometry(), size(), available));
        }
        DetachedWindow->setWindowTitle(windowTitle());
        FillWith(DetachedWindow.get(), view);
        DetachedWindow->show();
    } else {
        FillWith(PageControlVisualizations->widget(DetachedPage >= 0 ? DetachedPage : FirstFreeTabSheet()), view);
        DetachedView = nullptr;
        DetachedPage = -1;
        DetachedWindow.reset();
    }
}

QRect TFormVisWorkspace::DetachedGeometry(const QRect& main, const QSize& workspace, const QRect& screen)
{
    const int top = main.y() + 40;
    double width = main.width() * 0.9;
    double height = static_cast<double>(workspace.height()) / std::max(1, workspace.width()) * width;
    // Room for the window's lower border under it.
    constexpr int BottomBorder = 8;
    if (screen.isValid()) {
        const double room = screen.y() + screen.height() - BottomBorder - top;
        if (height > room && room > 0) {
            width *= room / height;
            height = room;
        }
    }
    const int w = static_cast<int>(width);
    return {main.x() + (main.width() - w) / 2, top, w, static_cast<int>(height)};
}

// ---- geometry for the tree ---------------------------------------------------------------------

bool TFormVisWorkspace::ContainsPoint(int x, int y) const
{
    return Left() <= x && x <= Left() + Width() && Top() <= y && y <= Top() + Height();
}

bool TFormVisWorkspace::CanGrow() const { return Width() < maximumWidth() && Height() < maximumHeight(); }
bool TFormVisWorkspace::CanShrink() const { return Width() > minimumWidth() && Height() > minimumHeight(); }

void TFormVisWorkspace::MoveBy(int dx, int dy) { move(Left() + dx, Top() + dy); }
void TFormVisWorkspace::MoveTo(int x, int y) { move(x, y); }

void TFormVisWorkspace::ResizeTo(int width, int height)
{
    CollapseDetails();
    SetFormSize(width, height);
}

int TFormVisWorkspace::DetailsHeight() const
{
    return std::max(0, PageControlVisualizations->y() - 1) + (LowerDetailsShownValue ? PanelLabel->height() : 0);
}

void TFormVisWorkspace::FitTo(int width, int height) { SetFormSize(width, height + DetailsHeight()); }

void TFormVisWorkspace::ScaleBy(float widthFactor, float heightFactor)
{
    // Single precision, as the factors are given.
    const float width = std::trunc(static_cast<float>(Width()) * widthFactor);
    const float height = std::trunc(static_cast<float>(Height()) * heightFactor);
    // A factor that is not a finite number leaves the size as it is.
    if (!std::isfinite(width) || !std::isfinite(height)) return;
    ResizeTo(static_cast<int>(std::clamp(width, 0.0f, 1.0e6f)), static_cast<int>(std::clamp(height, 0.0f, 1.0e6f)));
}

void TFormVisWorkspace::CollapseDetails()
{
    LowerDetailsShownValue = false;
    LayoutLowerDetails();
    UpperDetailsShownValue = false;
    LayoutUpperDetails();
}

// ---- layout ----------------------------------------------------------------------------------------

void TFormVisWorkspace::SetFormSize(int width, int height)
{
    // A maximised workspace keeps the size of the area it fills; its inside is laid out again.
    if (isMaximized()) {
        FormResize();
        return;
    }
    const QSize before = size();
    SettingFormSize = true;
    resize(width, height);
    SettingFormSize = false;
    if (size() != before) FormResize();
}

// Maximised, a workspace fills the main window's area: the size constraints the tree works
// with are lifted for that time and come back with the normal size, and the tree draws its
// links again for the restored window.
void TFormVisWorkspace::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && isMaximized() && !Maximised) {
        Maximised = true;
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    QMdiSubWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (Maximised && !isMaximized()) {
        Maximised = false;
        if (ConstraintMaximum.isValid()) {
            setMaximumSize(ConstraintMaximum);
            setMinimumSize(ConstraintMinimum);
        }
        FormResize();
        // The normal geometry comes back after this event: the links follow it then.
        QTimer::singleShot(0, this, [this] {
            if (MainWindowValue)
                if (TVisTree* tree = MainWindowValue->VisTree()) tree->Redraw();
        });
    } else if (Maximised) {
        FormResize();
    }
}

void TFormVisWorkspace::resizeEvent(QResizeEvent* event)
{
    QMdiSubWindow::resizeEvent(event);
    if (!Constructing && !SettingFormSize) FormResize();
}

void TFormVisWorkspace::SetPanelHeight(int height)
{
    if (height == PanelLabel->height()) return;
    PanelLabel->resize(PanelLabel->width(), height);
    PanelLabelResize();
}

void TFormVisWorkspace::SetPanelWidth(int width)
{
    width = std::max(width, 0);
    if (width == PanelLabel->width()) return;
    PanelLabel->resize(width, PanelLabel->height());
    PanelLabelResize();
}

// A word-wrapped label at a fixed width takes the height its text needs.
void TFormVisWorkspace::FitLabel(QLabel* label, int width)
{
    width = std::max(width, 1);
    const int height = std::max(label->heightForWidth(width), label->fontMetrics().height());
    label->resize(width, height);
}

void TFormVisWorkspace::FormResize()
{
    // Maximised, the window has no frame of its own: the inside takes its whole size.
    const int frameWidth = isMaximized() ? Width() - contentsRect().width() : FrameWidth;
    const int frameHeight = isMaximized() ? Height() - contentsRect().height() : FrameHeight;
    GroupBoxControls->resize(std::max(Width() - frameWidth, 0), GroupBoxControls->height());
    if (LayingOut) return;
    const int lower = LowerDetailsShownValue ? PanelLabel->height() : 0;
    QWidget* pages = PageControlVisualizations;
    pages->resize(std::max(Width() - ButtonUpperDetails->width() - frameWidth, 0),
                  std::max(Height() - pages->y() - frameHeight - lower, 0));
    ButtonUpperDetails->move(Right(pages) - 1, ButtonUpperDetails->y());
    ButtonLowerDetails->move(Right(pages) - 1, Bottom(pages) - ButtonLowerDetails->height());
    PanelLabel->move(PanelLabel->x(), Bottom(pages));
    SetPanelWidth(Width() - frameWidth);
    const int groupWidth = GroupBoxControls->width();
    ButtonGoVis->move(groupWidth - ButtonGoVis->width() - 5, ButtonGoVis->y());
    ComboBoxVisualizations->resize(std::clamp(groupWidth - ButtonGoVis->width() - 14, 0, MaxComboWidth),
                                   ComboBoxVisualizations->height());
}

void TFormVisWorkspace::LayoutUpperDetails()
{
    LayingOut = true;
    if (UpperDetailsShownValue) {
        ButtonUpperDetails->setText(QStringLiteral("-"));
        ButtonUpperDetails->move(ButtonUpperDetails->x(), Bottom(GroupBoxControls));
        GroupBoxControls->show();
    } else {
        ButtonUpperDetails->setText(QStringLiteral("+"));
        ButtonUpperDetails->move(ButtonUpperDetails->x(), 1);
        GroupBoxControls->hide();
    }
    QWidget* pages = PageControlVisualizations;
    pages->move(pages->x(), ButtonUpperDetails->y());
    ButtonLowerDetails->move(ButtonLowerDetails->x(), Bottom(pages) - ButtonLowerDetails->height());
    PanelLabel->move(PanelLabel->x(), Bottom(ButtonLowerDetails));
    SetFormHeight(Bottom(pages) + FrameHeight + (LowerDetailsShownValue ? PanelLabel->height() : 0));
    LayingOut = false;
    if (isMaximized()) FormResize();  // the window keeps its size: the pages make the room
}

void TFormVisWorkspace::LayoutLowerDetails()
{
    LayingOut = true;
    if (LowerDetailsShownValue) {
        ButtonLowerDetails->setText(QStringLiteral("-"));
        PanelLabel->show();
        SetFormHeight(Bottom(PanelLabel) + FrameHeight);
    } else {
        ButtonLowerDetails->setText(QStringLiteral("+"));
        PanelLabel->hide();
        SetFormHeight(PanelLabel->y() + FrameHeight);
    }
    LayingOut = false;
    if (isMaximized()) FormResize();
}

void TFormVisWorkspace::ButtonUpperDetailsClick()
{
    UpperDetailsShownValue = !UpperDetailsShownValue;
    LayoutUpperDetails();
    RestackTree();
}

void TFormVisWorkspace::ButtonLowerDetailsClick()
{
    LowerDetailsShownValue = !LowerDetailsShownValue;
    LayoutLowerDetails();
    RestackTree();
}

// The details just opened or closed: the boxes below move out of the way, or back.
void TFormVisWorkspace::RestackTree()
{
    if (!MainWindowValue || isMaximized()) return;
    if (TVisTree* tree = MainWindowValue->VisTree()) tree->Restack(this);
}

void TFormVisWorkspace::StackLabels()
{
    LabelTotal->move(LabelTotal->x(), Bottom(LabelWhereClause) + 5);
    LabelLevel->move(LabelLevel->x(), Bottom(LabelTotal) + 5);
    const int commentTop = Bottom(LabelLevel) + 5;
    LabelComment->move(LabelComment->x(), commentTop);
    EditComment->move(EditComment->x(), commentTop);
    SetPanelHeight(Bottom(LabelComment) + FrameHeight);
}

void TFormVisWorkspace::PanelLabelResize()
{
    const int width = PanelLabel->width() - LabelWhereClause->x() - 10;
    for (QLabel* label : {LabelWhereClause, LabelLevel, LabelTotal}) FitLabel(label, width);
    EditComment->resize(std::max(width - LabelComment->width() - LabelComment->x(), 0), EditComment->height());
    StackLabels();
    LayoutUpperDetails();
    LayoutLowerDetails();
}

void TFormVisWorkspace::SetWhereClause(const std::string& text)
{
    LabelWhereClause->setText(ToQString(text));
    FitLabel(LabelWhereClause, LabelWhereClause->width());
    StackLabels();
}

std::string TFormVisWorkspace::WhereClause() const { return LabelWhereClause->text().toUtf8().toStdString(); }

// ---- level label ----------------------------------------------------------------------------------

int TFormVisWorkspace::LevelWidth() const { return PanelLabel->width() - LabelLevel->x() - 10; }

void TFormVisWorkspace::SetLevelCaption(const std::string& caption)
{
    LevelCaption = caption;
    LabelLevel->setText(ToQString(caption));
    FitLabel(LabelLevel, LevelWidth());
    StackLabels();
}

void TFormVisWorkspace::SetLevelText(const std::string& text)
{
    const int active = ActivePageIndex();
    if (active < 0) {
        SetLevelCaption("- " + text);
        return;
    }
    const std::string page = PageControlVisualizations->tabText(active).toUtf8().toStdString();
    // The tree's texts begin with "at" already: they follow the page caption after two
    // blanks, as UpdateLevelLabel writes them, instead of a doubled "at at".
    const bool startsWithAt = text.rfind("at ", 0) == 0;
    SetLevelCaption("- \"" + page + "\"" + (startsWithAt ? "  " : " at ") + text);
}

void TFormVisWorkspace::UpdateLevelLabel()
{
    const int active = ActivePageIndex();
    if (active < 0) return;
    const std::string old = LevelCaption;
    std::string caption = "- \"" + PageControlVisualizations->tabText(active).toUtf8().toStdString() + "\" ";
    if (old.find("pipeline") != std::string::npos || old.find("composition") != std::string::npos) {
        const std::size_t at = old.find(" at ");
        if (at != std::string::npos) caption += old.substr(at);
    }
    SetLevelCaption(caption);
}

// ---- comment, mouse, close -------------------------------------------------------------------------

void TFormVisWorkspace::LabelCommentClick()
{
    EditComment->setFrame(true);
    EditComment->setFocus(Qt::MouseFocusReason);
}

void TFormVisWorkspace::EditCommentChange() { setWindowTitle(EditComment->text()); }

void TFormVisWorkspace::FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y)
{
    if (MainWindowValue) MainWindowValue->FormMouseMove(buttons, modifiers, x + Left(), y + Top());
}

void TFormVisWorkspace::mouseMoveEvent(QMouseEvent* event)
{
    QMdiSubWindow::mouseMoveEvent(event);
    const QPoint position = event->position().toPoint();
    FormMouseMove(event->buttons(), event->modifiers(), position.x(), position.y());
}

// A view takes its own mouse moves; those over a view still on this workspace are passed
// on as well, so instant zoom and drags see the pointer wherever it is on the workspace.
bool TFormVisWorkspace::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ComboBoxVisualizations && StepsTheClosedComboBox(event)) return true;
    if (event->type() == QEvent::MouseMove) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && isAncestorOf(widget)) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint position = mapFromGlobal(mouse->globalPosition()).toPoint();
            FormMouseMove(mouse->buttons(), mouse->modifiers(), position.x(), position.y());
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TFormVisWorkspace::closeEvent(QCloseEvent* event) { event->ignore(); }
