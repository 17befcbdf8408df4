#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include "app/form1.h"
#include "support/fake_system.h"
#include "support/program_folder.h"

namespace {

struct StartedWindow {
    explicit StartedWindow(ProgramFolder& folder) : system(folder.path()), form(system) {
        form.Form_Load();
    }
    FakeSystem system;
    Form1 form;
};

}  // namespace

TEST(FormLoad, SampleOf800x600SetsTheKeptProportionAndFitsTheFrame) {
    ProgramFolder folder;
    folder.addSample(800, 600);
    StartedWindow window(folder);
    Form1& f = window.form;

    EXPECT_EQ(f.SourceWidth, 12000.0f);
    EXPECT_EQ(f.SourceHeight, 9000);
    // 6615 x 9000 / 12000 = 4961.25 units, stored as 331 whole pixels.
    EXPECT_EQ(f.Picture1->width(), 6615.0f);
    EXPECT_EQ(f.Picture1->height(), 4965.0f);
    EXPECT_EQ(f.Image1->width(), 6615.0f);
    EXPECT_EQ(f.Image1->height(), 4965.0f);
    EXPECT_TRUE(f.Image1->stretch());
    EXPECT_EQ(f.Image1->picture().size(), QSize(800, 600));
    EXPECT_EQ(f.Text1(0).text(), QStringLiteral("6615"));
    EXPECT_EQ(f.Text1(1).text(), QStringLiteral("4965"));

    EXPECT_EQ(f.Picture2(1).left(), 8880.0f);
    EXPECT_EQ(f.Line1.x1(), 2775.0f);
    EXPECT_EQ(f.Line1.y1(), 247.0f);
    EXPECT_EQ(f.Line1.x2(), 8880.0f);
    EXPECT_EQ(f.Line1.y2(), 247.0f);
    EXPECT_EQ(f.Line2.x1(), 2287.0f);
    EXPECT_EQ(f.Line2.y1(), 735.0f);
    EXPECT_EQ(f.Line2.x2(), 2287.0f);
    EXPECT_EQ(f.Picture3(1).top(), 480.0f + 4965.0f - 255.0f);
    EXPECT_EQ(f.Line2.y2(), f.Picture3(1).top());
    // The lower handle's bottom edge lies on the frame's bottom edge.
    EXPECT_EQ(f.Picture3(1).top() + f.Picture3(1).height(),
              f.Picture1->top() + f.Picture1->height());
    EXPECT_TRUE(window.system.messages.empty());
}

TEST(FormLoad, MissingOrDamagedSampleLeavesTheLayoutSizeWithoutAMessage) {
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged" : "missing");
        ProgramFolder folder;
        if (damaged) folder.addSampleBytes(QByteArray("\xFF\xD8\xFF\xE0 not really a JPEG"));
        StartedWindow window(folder);
        Form1& f = window.form;
        EXPECT_EQ(f.SourceWidth, 6615.0f);
        EXPECT_EQ(f.SourceHeight, 5415);
        EXPECT_EQ(f.Picture1->width(), 6615.0f);
        EXPECT_EQ(f.Picture1->height(), 5415.0f);
        EXPECT_EQ(f.Text1(0).text(), QStringLiteral("6615"));
        EXPECT_EQ(f.Text1(1).text(), QStringLiteral("5415"));
        EXPECT_EQ(f.Picture3(1).top(), 5640.0f);
        EXPECT_TRUE(f.Image1->picture().isNull());
        EXPECT_TRUE(window.system.messages.empty());
    }
}

TEST(FormLoad, ListsEveryFileHidesTheScratchControlsAndMaximises) {
    ProgramFolder folder;
    folder.addSample(80, 60);
    for (const char* name : {"notas.txt", "b.png", "Z.JPG"}) {
        QFile file(folder.file(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    StartedWindow window(folder);
    Form1& f = window.form;
    f.show();

    QStringList listed;
    for (std::int16_t i = 0; i < f.File1->listCount(); ++i) listed << f.File1->list(i);
    EXPECT_EQ(listed, (QStringList{"b.png", "muestra.jpg", "notas.txt", "Z.JPG"}));
    EXPECT_EQ(f.File1->path(), folder.path());

    EXPECT_FALSE(f.Check1->isVisible());
    EXPECT_FALSE(f.Text2->isVisible());
    EXPECT_EQ(f.Check1->value(), 1);
    EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(f.windowTitle().startsWith(QStringLiteral("Velaria 1.0 - ")));

    // The window's icon: the launcher's drawing, one 32 x 32 picture in 16 colours.
    const QImage icon = f.windowIcon().pixmap(32, 32).toImage();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(f.windowIcon().availableSizes(), (QList<QSize>{QSize(32, 32)}));
    QSet<QRgb> colours;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) colours.insert(icon.pixel(x, y));
    EXPECT_LE(colours.size(), 16);
    const QImage launcher(
        QStringLiteral(VELARIA_SOURCE_DIR "/assets/icons/org.velaria.Velaria-32.png"));
    ASSERT_EQ(launcher.size(), icon.size());
    qint64 difference = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            const QColor a = icon.pixelColor(x, y), b = launcher.pixelColor(x, y);
            difference += qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) +
                          qAbs(a.blue() - b.blue()) + qAbs(a.alpha() - b.alpha());
        }
    EXPECT_LT(difference / (32 * 32 * 4), 32);  // of 255; an unrelated drawing is far off
}

TEST(Layout, ControlsStandWhereTheTableSaysAndStayThere) {
    ProgramFolder folder;
    StartedWindow window(folder);
    Form1& f = window.form;
    f.show();
    const auto place = [](const toolkit::Geometry& g) {
        return std::array<float, 4>{g.left(), g.top(), g.width(), g.height()};
    };
    EXPECT_EQ(place(f.Command3(0)), (std::array<float, 4>{1440, 4920, 615, 375}));
    EXPECT_EQ(place(f.Check2(1)), (std::array<float, 4>{120, 5400, 1815, 375}));
    EXPECT_EQ(place(f.Picture2(0)), (std::array<float, 4>{2520, 120, 255, 255}));
    EXPECT_EQ(place(*f.File1), (std::array<float, 4>{120, 2400, 1935, 1650}));
    EXPECT_EQ(place(*f.Image1), (std::array<float, 4>{0, 0, 6615, 5415}));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("INICIAR "));
    EXPECT_EQ(f.Check2(2).value(), 1);
    EXPECT_EQ(f.Check2(1).value(), 0);
    EXPECT_EQ(f.Check2(0).value(), 1);

    // The folder buttons lie over the right-hand part of their check boxes.
    const QPoint onButton = f.Command3(0).geometry().center();
    EXPECT_EQ(f.childAt(onButton), &f.Command3(0));
    // Image1 sits inside the frame's border.
    EXPECT_EQ(f.Image1->pos(), f.Picture1->contentsRect().topLeft());

    f.resize(1600, 1000);
    EXPECT_EQ(place(f.Command3(0)), (std::array<float, 4>{1440, 4920, 615, 375}));
    EXPECT_EQ(f.Picture2(1).left(), 8880.0f);
}

TEST(GeneralReport, AFailureNoHandlerTrapsIsShownAndEndsTheProgram) {
    ProgramFolder folder;
    StartedWindow window(folder);
    window.form.show();
    window.system.failingMessageBoxes = 1;  // the about box itself fails

    window.form.Command4->click();

    ASSERT_EQ(window.system.messages.size(), 1u);
    EXPECT_TRUE(window.system.messages[0].text.contains(QStringLiteral("Error inesperado")));
    EXPECT_TRUE(
        window.system.messages[0].text.contains(QStringLiteral("No se puede mostrar el mensaje")));
    EXPECT_EQ(window.system.endStatus, 1);
    EXPECT_FALSE(window.form.isEnabled());  // nothing more is taken until the program ends
}
