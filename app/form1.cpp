#include "app/form1.h"

#include <QFont>
#include <QIcon>
#include <QPainter>
#include <algorithm>
#include <map>
#include <vector>

#include "app/form1_layout.h"

namespace {

QString controlKey(const char* name, std::int16_t index) {
    return index < 0 ? QString::fromLatin1(name)
                     : QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}
QString controlKey(const layout::ControlRow& row) {
    return controlKey(row.name, row.index);
}

QWidget* createControl(const layout::ControlRow& row, QWidget* container) {
    using layout::Kind;
    switch (row.kind) {
        case Kind::CommandButton:
            return new toolkit::CommandButton(container);
        case Kind::TextBox:
            return new toolkit::TextBox(container);
        case Kind::CheckBox:
            return new toolkit::CheckBox(container);
        case Kind::Frame:
            return new toolkit::PictureBox(toolkit::PictureBox::Border::Sunken3D, container);
        case Kind::Handle:
            return new toolkit::PictureBox(toolkit::PictureBox::Border::FlatSingle, container);
        case Kind::Image:
            return new toolkit::ImageControl(container);
        case Kind::FileList:
            return new toolkit::FileList(container);
        case Kind::Label:
            return new toolkit::Label(container);
    }
    return nullptr;
}

void applyRow(const layout::ControlRow& row, QWidget* widget) {
    const QString text = QString::fromUtf8(row.text);
    if (row.font.points > 0) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(row.font.points);
        font.setWeight(row.font.bold ? QFont::Bold : QFont::Normal);
        widget->setFont(font);
    }
    if (auto* button = qobject_cast<toolkit::CommandButton*>(widget)) {
        button->setText(text);
        if (row.backColor) button->setBackColor(*row.backColor);
    } else if (auto* box = qobject_cast<toolkit::CheckBox*>(widget)) {
        box->setText(text);
        box->setValue(row.checkValue);
        if (row.backColor) box->setBackColor(*row.backColor);
    } else if (auto* edit = qobject_cast<toolkit::TextBox*>(widget)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<toolkit::Label*>(widget)) {
        label->setText(text);
    } else if (auto* handle = qobject_cast<toolkit::PictureBox*>(widget);
               handle && row.kind == layout::Kind::Handle) {
        // The handle look: the desktop's window background and text colours, a plain border.
        handle->setBackColor(toolkit::toBbggrr(widget->palette().color(QPalette::Base)));
        QPalette colours = handle->palette();
        colours.setColor(QPalette::WindowText, widget->palette().color(QPalette::Text));
        handle->setPalette(colours);
    } else if (auto* frame = qobject_cast<toolkit::PictureBox*>(widget)) {
        frame->setBackColor(toolkit::toBbggrr(widget->palette().color(QPalette::Button)));
    }
    widget->setAccessibleName(text.isEmpty() ? controlKey(row) : text);
    // The handles take the focus by a click too: the arrow keys move them.
    widget->setFocusPolicy(row.tabIndex < 0 || row.kind == layout::Kind::Label ? Qt::NoFocus
                           : row.kind == layout::Kind::Frame                   ? Qt::TabFocus
                                                                               : Qt::StrongFocus);
}

template <class Control>
Control* control(const std::map<QString, QWidget*>& built, const QString& key) {
    auto* control = qobject_cast<Control*>(built.at(key));
    Q_ASSERT(control);
    return control;
}

// Every control of the layout table, by its key, stacked and in tab order as the table says.
std::map<QString, QWidget*> createControls(QWidget* window) {
    std::map<QString, QWidget*> built;
    std::vector<std::pair<int, QWidget*>> focusOrder;
    for (const layout::ControlRow& row : layout::controls()) {
        QWidget* container = row.inside ? built.at(QString::fromLatin1(row.inside)) : window;
        QWidget* widget = createControl(row, container);
        const QString key = controlKey(row);
        widget->setObjectName(key);
        applyRow(row, widget);
        auto* geometry = dynamic_cast<toolkit::Geometry*>(widget);
        geometry->setLeft(row.left);
        geometry->setTop(row.top);
        geometry->setWidth(row.width);
        geometry->setHeight(row.height);
        built[key] = widget;
        if (widget->focusPolicy() != Qt::NoFocus) focusOrder.emplace_back(row.tabIndex, widget);
    }
    // Earlier rows lie on top of later ones where they overlap (the folder buttons over the
    // right-hand part of their check boxes).
    const auto rows = layout::controls();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) built.at(controlKey(*row))->raise();
    std::sort(focusOrder.begin(), focusOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
    if (!focusOrder.empty()) focusOrder.front().second->setFocus();
    return built;
}

}  // namespace

Form1::Form1(toolkit::System& system, QWidget* parent) : QWidget(parent), system_(system) {
    const layout::WindowRow& window = layout::window();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(window.caption));
    // The icon is compiled into the window's library, which the linker leaves out unless asked.
    Q_INIT_RESOURCE(resources);
    setWindowIcon(QIcon(QStringLiteral(":/velaria/icon32.png")));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, toolkit::fromBbggrr(window.backColor));
    setPalette(colours);
    setAutoFillBackground(true);
    resize(toolkit::unitsToPixels(window.clientWidth), toolkit::unitsToPixels(window.clientHeight));
    setAcceptDrops(true);
    buildControls();
    connectHandlers();
}

void Form1::buildControls() {
    const BuiltControls built = createControls(this);
    takeControls(built);
    for (const layout::AccessibleRow& row : layout::accessibleTexts()) {
        QWidget* widget = built.at(controlKey(row.name, row.index));
        widget->setAccessibleName(QString::fromUtf8(row.accessibleName));
        if (row.description) widget->setAccessibleDescription(QString::fromUtf8(row.description));
    }
    for (std::int16_t i : {0, 1}) Label1(i).setBuddy(&Text1(i));
    for (const layout::LineRow& row : layout::lines()) {
        toolkit::Line& line = QLatin1String(row.name) == QLatin1String("Line1") ? Line1 : Line2;
        line.setX1(row.x1);
        line.setY1(row.y1);
        line.setX2(row.x2);
        line.setY2(row.y2);
    }
}

void Form1::takeControls(const BuiltControls& built) {
    using namespace toolkit;
    Command1 = control<CommandButton>(built, QStringLiteral("Command1"));
    Command2 = control<CommandButton>(built, QStringLiteral("Command2"));
    Command4 = control<CommandButton>(built, QStringLiteral("Command4"));
    Check1 = control<CheckBox>(built, QStringLiteral("Check1"));
    Text2 = control<TextBox>(built, QStringLiteral("Text2"));
    Label2 = control<Label>(built, QStringLiteral("Label2"));
    Picture1 = control<PictureBox>(built, QStringLiteral("Picture1"));
    Image1 = control<ImageControl>(built, QStringLiteral("Image1"));
    File1 = control<FileList>(built, QStringLiteral("File1"));
    for (std::int16_t i : {0, 1}) {
        Command3.add(i, control<CommandButton>(built, QStringLiteral("Command3(%1)").arg(i)));
        Text1.add(i, control<TextBox>(built, QStringLiteral("Text1(%1)").arg(i)));
        Label1.add(i, control<Label>(built, QStringLiteral("Label1(%1)").arg(i)));
        Picture2.add(i, control<PictureBox>(built, QStringLiteral("Picture2(%1)").arg(i)));
        Picture3.add(i, control<PictureBox>(built, QStringLiteral("Picture3(%1)").arg(i)));
    }
    for (std::int16_t i : {0, 1, 2})
        Check2.add(i, control<CheckBox>(built, QStringLiteral("Check2(%1)").arg(i)));
}

// While a run goes on, the progress window's modality keeps the mouse off the window, but not a
// screen reader's "press" or a key sent to a control: whatever would start a second run, or
// change the list, the frame or the boxes under the run, is refused then.
void Form1::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this,
            [this] { unlessRunning([this] { untrapped([this] { Command1_Click(); }); }); });
    connect(Command2, &QPushButton::clicked, this,
            [this] { unlessRunning([this] { Command2_Click(); }); });
    connect(Command4, &QPushButton::clicked, this,
            [this] { untrapped([this] { Command4_Click(); }); });
    connect(File1, &toolkit::FileList::clicked, this,
            [this] { unlessRunning([this] { File1_Click(); }); });
    for (std::int16_t i : {0, 1}) {
        connect(&Command3(i), &QPushButton::clicked, this, [this, i] { Command3_Click(i); });
        connectHandleEvents(i);
        connect(&Text1(i), &toolkit::TextBox::keyDown, this,
                [this, i](std::int16_t key, std::int16_t shift) {
                    unlessRunning([&] { untrapped([&] { Text1_KeyDown(i, key, shift); }); });
                });
        connect(&Text1(i), &toolkit::TextBox::lostFocus, this,
                [this, i] { untrapped([&] { Text1_LostFocus(i); }); });
    }
}

void Form1::connectHandleEvents(std::int16_t i) {
    connect(
        &Picture2(i), &toolkit::PictureBox::mouseMoved, this,
        [this, i](std::int16_t button, std::int16_t shift, float x, float y) {
            unlessRunning([&] { untrapped([&] { Picture2_MouseMove(i, button, shift, x, y); }); });
        });
    connect(
        &Picture3(i), &toolkit::PictureBox::mouseMoved, this,
        [this, i](std::int16_t button, std::int16_t shift, float x, float y) {
            unlessRunning([&] { untrapped([&] { Picture3_MouseMove(i, button, shift, x, y); }); });
        });
    connect(&Picture2(i), &toolkit::PictureBox::keyDown, this,
            [this, i](std::int16_t key, std::int16_t shift) {
                unlessRunning([&] { untrapped([&] { Picture2_KeyDown(i, key, shift); }); });
            });
    connect(&Picture3(i), &toolkit::PictureBox::keyDown, this,
            [this, i](std::int16_t key, std::int16_t shift) {
                unlessRunning([&] { untrapped([&] { Picture3_KeyDown(i, key, shift); }); });
            });
}

Form1::~Form1() {
    // Closing the window moves the focus while the controls still stand and this window no
    // longer does: a size box must not act on it then.
    for (std::int16_t i : {0, 1}) Text1(i).disconnect(this);
}

void Form1::Command1_Click() {
    ConvertFolder();
}

void Form1::reportUntrappedFailure(const QString& message) {
    setEnabled(false);
    system_.messageBox(this,
                       QStringLiteral("Error inesperado: %1\n\nVelaria se cerrará.").arg(message));
    system_.endProgram(1);
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.drawLine(Line1.inPixels());
    painter.drawLine(Line2.inPixels());
}
