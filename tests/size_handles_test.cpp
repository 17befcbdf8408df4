#include <gtest/gtest.h>

#include <QAccessible>
#include <QImageReader>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <vector>

#include "app/form1.h"
#include "support/fake_system.h"
#include "support/program_folder.h"
#include "support/window_driving.h"

// The handles driven by real mouse events sent through the window system, so that the implicit
// grab (events staying with the handle where a button went down) is the one the user gets.
//
// Positions are whole pixels of 15 units. The frame stands at 168 x 32 px (2520 x 480 units);
// the handles are 17 px squares with a 1 px border, and a drag puts a handle's outer near edge
// one pixel before the pointer (the pointer sits on its inner corner).

namespace {

constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kFrameLeftPx = 168;
constexpr int kFrameTopPx = 32;

// QTest warns about pointer positions beyond the window, which some drags are about.
class QuietAboutOutsideWindow {
  public:
    QuietAboutOutsideWindow() { previous_ = qInstallMessageHandler(&filter); }
    ~QuietAboutOutsideWindow() { qInstallMessageHandler(previous_); }

  private:
    static void filter(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (previous_ && !text.contains(QLatin1String("outside target window")))
            previous_(type, context, text);
    }
    static inline QtMessageHandler previous_ = nullptr;
};

class SizeHandles : public ::testing::Test {
  protected:
    SizeHandles() : system(folder.path()), form(system) {}

    void SetUp() override {
        folder.addSample(800, 600);
        form.Form_Load();
        form.SourceWidth = 800;
        form.SourceHeight = 600;
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    void TearDown() override {
        releaseAll();
        // Nothing a drag does may end in the general failure report.
        EXPECT_TRUE(system.messages.empty());
        EXPECT_FALSE(system.endStatus.has_value());
    }

    QWindow* window() { return form.windowHandle(); }
    QPoint on(QWidget& control, QPoint local = {8, 8}) { return control.mapTo(&form, local); }

    void moveTo(QPoint where) {
        pointer = where;
        QTest::mouseMove(window(), where);
    }
    void press(QPoint where, Qt::MouseButton button = Qt::LeftButton) {
        pointer = where;
        QTest::mousePress(window(), button, {}, where);
        held.push_back(button);
    }
    void releaseAll() {
        for (Qt::MouseButton button : held) QTest::mouseRelease(window(), button, {}, pointer);
        held.clear();
    }

    // Types into a size box, replacing what it shows, and ends with a key (Tab leaves it).
    void type(toolkit::TextBox& box, const QString& text, Qt::Key end) {
        if (!form.isActiveWindow()) {
            form.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        }
        box.setFocus(Qt::TabFocusReason);
        box.selectAll();
        QTest::keyClicks(&box, text);
        QTest::keyClick(&box, end);
    }

    // Drags the right-hand width handle until its outer left edge stands at leftPx.
    void dragWidthHandleTo(int leftPx, Qt::MouseButton button = Qt::LeftButton) {
        press(on(form.Picture2(1)), button);
        moveTo({leftPx + 1, pointer.y()});
        releaseAll();
    }
    // Drags the lower height handle until its outer top edge stands at topPx.
    void dragHeightHandleTo(int topPx, Qt::MouseButton button = Qt::LeftButton) {
        press(on(form.Picture3(1)), button);
        moveTo({pointer.x(), topPx + 1});
        releaseAll();
    }

    ProgramFolder folder;
    FakeSystem system;
    Form1 form;
    QPoint pointer;
    std::vector<Qt::MouseButton> held;
    QuietAboutOutsideWindow quiet;
};

struct Place {
    float left, top, width, height;
    bool operator==(const Place&) const = default;
};
Place placeOf(const toolkit::Geometry& g) {
    return {g.left(), g.top(), g.width(), g.height()};
}
void PrintTo(const Place& p, std::ostream* os) {
    *os << p.left << "," << p.top << " " << p.width << "x" << p.height;
}

}  // namespace

TEST_F(SizeHandles, OffsetsAreInUnitsFromTheHandlesInnerCorner) {
    QPointF offset;
    QObject::connect(&form.Picture2(1), &toolkit::PictureBox::mouseMoved,
                     [&](std::int16_t, std::int16_t, float x, float y) {
                         offset = {x, y};
                     });
    // Inside the 1 px border, and on the border itself.
    moveTo(on(form.Picture2(1), {1, 1}));
    EXPECT_EQ(offset, QPointF(0, 0));
    moveTo(on(form.Picture2(1), {0, 16}));
    EXPECT_EQ(offset, QPointF(-15, 225));
}

TEST_F(SizeHandles, HoverMarksThePairRewritesTheReadoutsAndMovesNothing) {
    const Place frame = placeOf(*form.Picture1);
    const Place widthHandle = placeOf(form.Picture2(1));
    const Place heightHandle = placeOf(form.Picture3(1));
    struct Case {
        toolkit::PictureBox* handle;
        std::uint32_t widthHandleColour, heightHandleColour;
    };
    // Picture2(1)'s colour is the marker the batch run reads: blue after the width pair.
    for (const Case& c :
         {Case{&form.Picture2(0), kBlue, kWhite}, Case{&form.Picture3(0), kWhite, kBlue},
          Case{&form.Picture2(1), kBlue, kWhite}, Case{&form.Picture3(1), kWhite, kBlue}}) {
        SCOPED_TRACE(c.handle->objectName().toStdString());
        form.Text1(0).setText(QString());
        form.Text1(1).setText(QString());
        moveTo(on(*c.handle));
        EXPECT_EQ(form.Picture2(1).backColor(), c.widthHandleColour);
        EXPECT_EQ(form.Picture3(1).backColor(), c.heightHandleColour);
        EXPECT_EQ(form.Text1(0).text(), QStringLiteral("6615"));
        EXPECT_EQ(form.Text1(1).text(), QStringLiteral("4965"));
        EXPECT_EQ(placeOf(*form.Picture1), frame);
        EXPECT_EQ(placeOf(form.Picture2(1)), widthHandle);
        EXPECT_EQ(placeOf(form.Picture3(1)), heightHandle);
    }
}

TEST_F(SizeHandles, EveryMovementRepaintsTheWholeWindowBeforeItReturns) {
    struct PaintSpy : QObject {
        std::vector<QRect> painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted.push_back(static_cast<QPaintEvent*>(event)->rect());
            return false;
        }
    } spy;
    QCoreApplication::processEvents();
    form.installEventFilter(&spy);
    form.Picture3_MouseMove(0, 0, 0, 0, 0);
    form.removeEventFilter(&spy);
    ASSERT_FALSE(spy.painted.empty());
    EXPECT_EQ(spy.painted.back(), form.rect());
}

TEST_F(SizeHandles, TheMovableHandleSnapsBackNearTheFramesFixedEdge) {
    form.Check2(2).setValue(0);
    // 33 px from the frame's edge is 495 units: closer than 500, so the handle goes to 550 from
    // it, stored as 37 px = 555 units (2520 + 550 = 3070 -> 205 px = 3075; 480 + 550 = 1030 ->
    // 69 px = 1035) and the frame is 555 + 255 = 810 long. At 34 px (510 units) it stays: the
    // shortest a drag leaves it, 765. Positions are whole pixels, so exactly 500 cannot occur.
    struct Case {
        int fromEdgePx;
        float fromEdge, frameLength;
    };
    for (const Case& c :
         {Case{33, 555, 810}, Case{34, 510, 765}, Case{-60, 555, 810}, Case{-300, 555, 810}}) {
        SCOPED_TRACE(c.fromEdgePx);
        dragWidthHandleTo(kFrameLeftPx + c.fromEdgePx);
        EXPECT_EQ(form.Picture2(1).left(), 2520 + c.fromEdge);
        EXPECT_EQ(form.Picture1->width(), c.frameLength);
        EXPECT_EQ(form.Image1->width(), c.frameLength);
        EXPECT_EQ(form.Line1.x2(), 2520 + c.fromEdge);
        EXPECT_EQ(form.Line1.y2(), 120.0f + 127.0f);
        EXPECT_EQ(form.Text1(0).text(), QString::number(c.frameLength));

        dragHeightHandleTo(kFrameTopPx + c.fromEdgePx);
        EXPECT_EQ(form.Picture3(1).top(), 480 + c.fromEdge);
        EXPECT_EQ(form.Picture1->height(), c.frameLength);
        EXPECT_EQ(form.Image1->height(), c.frameLength);
        EXPECT_EQ(form.Line2.x2(), 2160.0f + 127.0f);
        EXPECT_EQ(form.Line2.y2(), 480 + c.fromEdge);
        EXPECT_EQ(form.Text1(1).text(), QString::number(c.frameLength));
    }
}

TEST_F(SizeHandles, AnyButtonDragsAndTheDragStaysWithItsHandle) {
    form.Check2(2).setValue(0);
    int leftPx = 300;
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        dragWidthHandleTo(leftPx, button);
        EXPECT_EQ(form.Picture2(1).left(), leftPx * 15.0f) << button;
        leftPx += 40;
    }

    // Past the other pair and out of the window, the movements still go to the width handle.
    press(on(form.Picture2(1)));
    moveTo(on(form.Picture3(0)));
    EXPECT_EQ(form.Picture2(1).left(), 3075.0f);
    EXPECT_EQ(form.Picture2(1).backColor(), kBlue);
    EXPECT_EQ(form.Picture3(1).backColor(), kWhite);
    moveTo({form.width() + 500, 10});
    EXPECT_EQ(form.Picture2(1).left(), (form.width() + 499) * 15.0f);
    moveTo({400, 10});
    releaseAll();
    EXPECT_EQ(form.Picture2(1).left(), 399 * 15.0f);

    // A button that went down on the frame keeps the handles out of it.
    press(on(*form.Picture1));
    moveTo(on(form.Picture2(1)));
    moveTo(pointer + QPoint(-200, 0));
    moveTo(on(form.Picture3(1)));
    EXPECT_EQ(form.Picture2(1).left(), 399 * 15.0f);
    EXPECT_EQ(form.Picture2(1).backColor(), kBlue);
    EXPECT_EQ(form.Picture3(1).backColor(), kWhite);
}

TEST_F(SizeHandles, UntickedOrWithoutAProportionOnlyTheDraggedSideChanges) {
    for (const bool zeroProportion : {false, true}) {
        SCOPED_TRACE(zeroProportion ? "ticked, SourceWidth and SourceHeight 0" : "unticked");
        form.Check2(2).setValue(zeroProportion ? 1 : 0);
        form.SourceWidth = zeroProportion ? 0 : 800;
        form.SourceHeight = zeroProportion ? 0 : 600;
        dragHeightHandleTo(kFrameTopPx + 300);
        form.Image1->setStretch(false);
        const Place heightHandle = placeOf(form.Picture3(1));
        const QLineF line2 = form.Line2.inPixels();

        dragWidthHandleTo(215);  // 3225 units: a frame 3225 - 2520 + 255 = 960 wide
        EXPECT_EQ(placeOf(*form.Picture1), (Place{2520, 480, 960, 4755}));
        EXPECT_EQ(placeOf(*form.Image1), (Place{0, 0, 960, 4755}));
        EXPECT_TRUE(form.Image1->stretch());
        EXPECT_EQ(placeOf(form.Picture3(1)), heightHandle);
        EXPECT_EQ(form.Line2.inPixels(), line2);
        EXPECT_EQ(form.Text1(0).text(), QStringLiteral("960"));
        EXPECT_EQ(form.Text1(1).text(), QStringLiteral("4755"));

        dragHeightHandleTo(75);  // 1125 units: 1125 - 480 + 255 = 900 high
        EXPECT_EQ(placeOf(*form.Picture1), (Place{2520, 480, 960, 900}));
        EXPECT_EQ(placeOf(*form.Image1), (Place{0, 0, 960, 900}));
        EXPECT_EQ(form.Picture2(1).left(), 3225.0f);
        EXPECT_EQ(form.Text1(1).text(), QStringLiteral("900"));
    }
}

TEST_F(SizeHandles, TickedOrGreyedTheOtherSideFollowsTheKeptProportion) {
    for (int state : {1, 2}) {
        SCOPED_TRACE(state);
        form.Check2(2).setValue(state);

        dragWidthHandleTo(215);  // 960 wide: 960 x 600 / 800 = 720 high
        EXPECT_EQ(placeOf(*form.Picture1), (Place{2520, 480, 960, 720}));
        EXPECT_EQ(placeOf(*form.Image1), (Place{0, 0, 960, 720}));
        // The lower handle's bottom edge on the frame's, its line ending on its top side.
        EXPECT_EQ(form.Picture3(1).top(), 945.0f);
        EXPECT_EQ(form.Picture3(1).top() + form.Picture3(1).height(), 480.0f + 720.0f);
        EXPECT_EQ(form.Line2.x2(), 2160.0f + 127.0f);
        EXPECT_EQ(form.Line2.y2(), 945.0f);
        EXPECT_EQ(form.Text1(0).text(), QStringLiteral("960"));
        EXPECT_EQ(form.Text1(1).text(), QStringLiteral("720"));

        dragHeightHandleTo(75);  // 900 high: 900 x 800 / 600 = 1200 wide
        EXPECT_EQ(placeOf(*form.Picture1), (Place{2520, 480, 1200, 900}));
        EXPECT_EQ(placeOf(*form.Image1), (Place{0, 0, 1200, 900}));
        EXPECT_EQ(form.Picture2(1).left(), 3465.0f);
        EXPECT_EQ(form.Picture2(1).left() + form.Picture2(1).width(), 2520.0f + 1200.0f);
        EXPECT_EQ(form.Line1.x2(), 3465.0f);
        EXPECT_EQ(form.Line1.y2(), 120.0f + 127.0f);
        EXPECT_EQ(form.Text1(0).text(), QStringLiteral("1200"));
        EXPECT_EQ(form.Text1(1).text(), QStringLiteral("900"));
    }
}

TEST_F(SizeHandles, ADragOnAFixedHandleOnlyMarksAndRewrites) {
    const Place frame = placeOf(*form.Picture1);
    const float widthHandleLeft = form.Picture2(1).left();
    const float heightHandleTop = form.Picture3(1).top();

    form.Text1(0).setText(QString());
    press(on(form.Picture2(0)));
    for (int step = 0; step < 5; ++step) moveTo(pointer + QPoint(20, 0));
    moveTo(pointer + QPoint(-200, 0));
    releaseAll();
    EXPECT_EQ(form.Picture2(1).backColor(), kBlue);
    EXPECT_EQ(form.Text1(0).text(), QStringLiteral("6615"));

    form.Text1(1).setText(QString());
    press(on(form.Picture3(0)), Qt::RightButton);
    for (int step = 0; step < 5; ++step) moveTo(pointer + QPoint(0, 20));
    releaseAll();
    EXPECT_EQ(form.Picture2(1).backColor(), kWhite);
    EXPECT_EQ(form.Text1(1).text(), QStringLiteral("4965"));

    EXPECT_EQ(placeOf(*form.Picture1), frame);
    EXPECT_EQ(form.Picture2(1).left(), widthHandleLeft);
    EXPECT_EQ(form.Picture3(1).top(), heightHandleTop);
}

TEST_F(SizeHandles, FarDragsAndExtremeProportionsStayWithinTheControlsReach) {
    // Every far edge stops at 32767 px = 491505 units from the window's inner corner.
    constexpr float kReach = 491505;
    form.Check2(2).setValue(0);

    press(on(form.Picture2(1)));
    moveTo({1501, pointer.y()});  // beyond the window: no other limit
    EXPECT_EQ(form.Picture1->width(), 1500 * 15.0f - 2520 + 255);
    moveTo({60001, pointer.y()});
    EXPECT_EQ(form.Picture2(1).left(), kReach - 255);
    EXPECT_EQ(form.Picture1->width(), kReach - 2520);
    EXPECT_EQ(form.Image1->width(), kReach - 2520);
    EXPECT_EQ(form.Text1(0).text(), QStringLiteral("488985"));
    moveTo({kFrameLeftPx + 41, pointer.y()});
    releaseAll();
    press(on(form.Picture3(1)));
    moveTo({pointer.x(), 60001});
    EXPECT_EQ(form.Picture3(1).top(), kReach - 255);
    EXPECT_EQ(form.Picture1->height(), kReach - 480);
    moveTo({pointer.x(), kFrameTopPx + 41});
    releaseAll();
    EXPECT_EQ(placeOf(*form.Picture1), (Place{2520, 480, 855, 855}));

    // A 1 x 65535 px sample's proportion asks for a frame 65535 times as high as it is wide.
    form.Check2(2).setValue(1);
    form.SourceWidth = 15;
    form.SourceHeight = 983025;
    dragWidthHandleTo(kFrameLeftPx + 40);
    EXPECT_EQ(form.Picture1->width(), 855.0f);
    EXPECT_EQ(form.Picture1->height(), kReach - 480);
    EXPECT_EQ(form.Image1->height(), kReach - 480);
    EXPECT_EQ(form.Picture3(1).top(), kReach - 255);
    EXPECT_EQ(form.Line2.y2(), kReach - 255);

    // And the other way round. The refitted height is not snapped: the lower handle goes above
    // the frame's top edge.
    form.SourceWidth = 983025;
    form.SourceHeight = 15;
    dragWidthHandleTo(kFrameLeftPx + 40);
    EXPECT_EQ(form.Picture1->height(), 0.0f);
    EXPECT_EQ(form.Picture3(1).top(), 480.0f - 255.0f);
    EXPECT_EQ(form.Text1(1).text(), QStringLiteral("0"));
    dragHeightHandleTo(kFrameTopPx + 40);
    EXPECT_EQ(form.Picture1->height(), 855.0f);
    EXPECT_EQ(form.Picture1->width(), kReach - 2520);
    EXPECT_EQ(form.Image1->width(), kReach - 2520);
    EXPECT_EQ(form.Picture2(1).left(), kReach - 255);
    EXPECT_EQ(form.Line1.x2(), kReach - 255);
}

TEST_F(SizeHandles, ThePairTouchedLastDecidesWhichSideDrivesTheRun) {
    QTemporaryDir source;
    ASSERT_TRUE(quadrantPicture(600, 400).save(source.filePath(QStringLiteral("foto.jpg")), "JPG"));
    folder.addWriterLibrary();
    const QString output = folder.file(QStringLiteral("DestinoJPG/foto.jpg"));
    const auto convertedSize = [&] {
        form.File1->setPath(source.path());
        form.Command1_Click();
        return QImageReader(output).size();
    };

    // Unticked, so the frame keeps both sides as dragged: 150 px wide (2250 units) after the
    // width drag, 80 px high (1200 units) after the height drag.
    form.Check2(2).setValue(0);
    dragWidthHandleTo(kFrameLeftPx + 150 - 17);
    releaseAll();
    dragHeightHandleTo(kFrameTopPx + 80 - 17);
    releaseAll();
    form.Check2(2).setValue(1);
    ASSERT_EQ(form.Picture1->width(), 2250.0f);
    ASSERT_EQ(form.Picture1->height(), 1200.0f);

    moveTo(on(form.Picture3(0)));  // the height pair last: the height drives
    EXPECT_EQ(convertedSize(), QSize(120, 80));
    form.Picture1->setHeight(300);
    EXPECT_EQ(convertedSize(), QSize(30, 20));

    moveTo(on(form.Picture2(0)));  // the width pair last: the width drives
    form.Picture1->setWidth(1200);
    EXPECT_EQ(convertedSize(), QSize(80, 53));  // 80 x 400 / 600 = 53.3 px
}

namespace {

QString spokenName(QWidget& control) {
    return QAccessible::queryAccessibleInterface(&control)->text(QAccessible::Name);
}

}  // namespace

TEST_F(SizeHandles, TabAndClickFocusTheHandlesWhichShowIt) {
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_EQ(QApplication::focusWidget(), form.File1);
    // The layout's order; the hidden Check1 is passed over.
    for (QWidget* next : std::initializer_list<QWidget*>{
             form.Picture1, form.Command1, &form.Picture2(0), &form.Picture2(1), &form.Picture3(0),
             &form.Picture3(1), &form.Check2(0)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    const auto ringPixel = [&](QWidget& handle) { return handle.grab().toImage().pixel(2, 8); };
    const QRgb unfocused = ringPixel(form.Picture3(1));
    press(on(form.Picture3(1)));
    releaseAll();
    EXPECT_EQ(QApplication::focusWidget(), &form.Picture3(1));
    EXPECT_NE(ringPixel(form.Picture3(1)), unfocused);
    // The middle, where the end-to-end tests read the marker, keeps the handle's colour.
    EXPECT_EQ(form.Picture3(1).grab().toImage().pixelColor(4, 4), QColor(0, 0, 255));
}

TEST_F(SizeHandles, ArrowKeysMoveThePairsMovableHandleAsADragDoes) {
    struct Case {
        toolkit::PictureBox* handle;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        float width, height;  // the frame's, after the key
        bool widthPairMarked;
        bool acts;  // false: the window stays exactly as it was
    };
    const Case cases[] = {
        {&form.Picture2(1), Qt::Key_Right, {}, 6630, 4965, true, true},
        {&form.Picture2(0), Qt::Key_Left, Qt::ShiftModifier, 6480, 4965, true, true},
        {&form.Picture3(1), Qt::Key_Down, {}, 6480, 4980, false, true},
        {&form.Picture3(0), Qt::Key_Up, Qt::ShiftModifier, 6480, 4830, false, true},
        // The other pair's arrows do nothing at all.
        {&form.Picture2(1), Qt::Key_Up, {}, 6480, 4830, false, false},
        {&form.Picture3(0), Qt::Key_Right, {}, 6480, 4830, false, false},
    };
    form.Check2(2).setValue(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handle->objectName().toStdString() + " " + std::to_string(c.key));
        const QStringList before = describeWindow(form);
        QTest::keyClick(c.handle, c.key, c.modifiers);
        if (!c.acts) {
            EXPECT_EQ(describeWindow(form), before);
            continue;
        }
        EXPECT_EQ(form.Picture1->width(), c.width);
        EXPECT_EQ(form.Picture1->height(), c.height);
        EXPECT_EQ(form.Picture2(1).left() + 255, 2520 + c.width);
        EXPECT_EQ(form.Picture3(1).top() + 255, 480 + c.height);
        EXPECT_EQ(form.Line1.x2(), form.Picture2(1).left());
        EXPECT_EQ(form.Line2.y2(), form.Picture3(1).top());
        EXPECT_EQ(form.Picture2(1).backColor(), c.widthPairMarked ? kBlue : kWhite);
        EXPECT_EQ(form.Picture3(1).backColor(), c.widthPairMarked ? kWhite : kBlue);
        EXPECT_EQ(form.Text1(0).text(), QString::number(c.width));
        EXPECT_EQ(form.Text1(1).text(), QString::number(c.height));
        EXPECT_EQ(placeOf(form.Picture2(0)), (Place{2520, 120, 255, 255}));
        EXPECT_EQ(placeOf(form.Picture3(0)), (Place{2160, 480, 255, 255}));
    }

    // Near the fixed edge a key snaps as a drag does: 510 from it stays, 495 goes to 555.
    form.Check2(2).setValue(1);
    type(form.Text1(0), QStringLiteral("765"), Qt::Key_Return);
    ASSERT_EQ(form.Picture1->width(), 765.0f);
    QTest::keyClick(&form.Picture2(1), Qt::Key_Left);
    EXPECT_EQ(form.Picture1->width(), 810.0f);
    // And the kept proportion follows: 810 x 600 / 800 = 607.5, 40.5 px, stored as 40 px.
    EXPECT_EQ(form.Picture1->height(), 600.0f);
    EXPECT_EQ(form.Picture3(1).top(), 480.0f + 600 - 255);
}

TEST_F(SizeHandles, ASizeTypedAndEndedIsADragToWhereItGivesThatSize) {
    struct Case {
        int box;
        const char* typed;
        Qt::Key end;  // Tab: leaving the box
        float width, height;
    };
    // The frame starts at 6615 x 4965, unticked. A size the handles cannot take exactly goes to
    // the nearest whole pixel; one closer than 500 to the fixed edge snaps to 810.
    const Case cases[] = {
        {0, "9000", Qt::Key_Return, 9000, 4965},
        {0, "1000", Qt::Key_Tab, 1005, 4965},
        {1, " 765 ", Qt::Key_Enter, 1005, 765},
        {0, "300", Qt::Key_Return, 810, 765},
        {1, "0", Qt::Key_Tab, 810, 810},
        {0, "488985", Qt::Key_Return, 488985, 810},
        {1, "00491025", Qt::Key_Return, 488985, 491025},
    };
    form.Check2(2).setValue(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        type(form.Text1(c.box), QString::fromLatin1(c.typed), c.end);
        EXPECT_EQ(form.Picture1->width(), c.width);
        EXPECT_EQ(form.Picture1->height(), c.height);
        EXPECT_EQ(form.Picture2(1).left() + 255, 2520 + c.width);
        EXPECT_EQ(form.Picture3(1).top() + 255, 480 + c.height);
        EXPECT_EQ(form.Picture2(1).backColor(), c.box == 0 ? kBlue : kWhite);
        const float size = c.box == 0 ? c.width : c.height;
        EXPECT_EQ(form.Text1(c.box).text(), QString::number(size));
        EXPECT_EQ(form.Text1(c.box).toolTip(),
                  QStringLiteral("%1 = %2 píxeles").arg(size).arg(size / 15));
    }

    // Ticked, the other side follows the kept proportion as after a drag.
    form.Check2(2).setValue(1);
    type(form.Text1(0), QStringLiteral("12000"), Qt::Key_Return);
    EXPECT_EQ(placeOf(*form.Picture1), (Place{2520, 480, 12000, 9000}));
    type(form.Text1(1), QStringLiteral("900"), Qt::Key_Tab);
    EXPECT_EQ(placeOf(*form.Picture1), (Place{2520, 480, 1200, 900}));
    EXPECT_EQ(placeOf(*form.Image1), (Place{0, 0, 1200, 900}));
    EXPECT_EQ(form.Text1(0).text(), QStringLiteral("1200"));
    const auto description = [&](int box) {
        return QAccessible::queryAccessibleInterface(&form.Text1(box))
            ->text(QAccessible::Description);
    };
    EXPECT_TRUE(description(0).startsWith(QStringLiteral("1200 = 80 píxeles")))
        << description(0).toStdString();
    EXPECT_TRUE(description(1).startsWith(QStringLiteral("900 = 60 píxeles")));
}

TEST_F(SizeHandles, EscapeOrTextThatIsNoSizeOnlyPutsTheBoxBack) {
    QTest::keyClick(&form.Picture3(1), Qt::Key_Down);  // the height pair marked last
    struct Case {
        int box;
        const char* typed;
        Qt::Key end;
    };
    for (const Case& c :
         {Case{0, "abc", Qt::Key_Return}, Case{0, "-15", Qt::Key_Tab}, Case{1, "", Qt::Key_Return},
          Case{1, "66.5", Qt::Key_Tab}, Case{0, "1e4", Qt::Key_Return},
          Case{0, "488986", Qt::Key_Return}, Case{1, "491026", Qt::Key_Tab},
          Case{1, "9000", Qt::Key_Escape}, Case{0, "99999999999999999999999", Qt::Key_Return}}) {
        SCOPED_TRACE(c.typed);
        const QStringList before = describeWindow(form);
        type(form.Text1(c.box), QString::fromLatin1(c.typed), c.end);
        EXPECT_EQ(describeWindow(form), before);
    }
    // Passing through the boxes without typing leaves the marker as it was.
    const QStringList before = describeWindow(form);
    form.Text1(0).setFocus(Qt::TabFocusReason);
    QTest::keyClick(&form.Text1(0), Qt::Key_Return);
    QTest::keyClick(&form.Text1(0), Qt::Key_Tab);
    QTest::keyClick(&form.Text1(1), Qt::Key_Tab);
    EXPECT_EQ(describeWindow(form), before);
    EXPECT_EQ(form.Picture2(1).backColor(), kWhite);
}

TEST_F(SizeHandles, ScreenReadersHearSpanishNames) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{&form.Picture2(0), &form.Picture2(1), &form.Text1(0)}) {
        EXPECT_TRUE(spokenName(*control).startsWith(QStringLiteral("Ancho")))
            << spokenName(*control).toStdString();
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{&form.Picture3(0), &form.Picture3(1), &form.Text1(1)}) {
        EXPECT_TRUE(spokenName(*control).startsWith(QStringLiteral("Alto")))
            << spokenName(*control).toStdString();
    }
    EXPECT_EQ(spokenName(*form.Picture1), QStringLiteral("Marco de la vista previa"));
    EXPECT_EQ(form.Text1(0).toolTip(), QStringLiteral("6615 = 441 píxeles"));
    EXPECT_EQ(form.Text1(1).toolTip(), QStringLiteral("4965 = 331 píxeles"));
}
