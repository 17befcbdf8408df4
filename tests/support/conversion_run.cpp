#include "conversion_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include "support/picture_files.h"

TemporaryFolder::TemporaryFolder() : saved_(qgetenv("TMPDIR")) {
    qputenv("TMPDIR", QFile::encodeName(dir_.path()));
}

TemporaryFolder::~TemporaryFolder() {
    if (saved_.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", saved_);
}

QStringList TemporaryFolder::files() const {
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

ConversionRun::ConversionRun() : system(program.path()), form(system) {
    program.addWriterLibrary();
    program.addSample(80, 60);
    form.Form_Load();
    form.File1->setPath(source.path());
    form.Check2(0).setValue(1);
    form.Check2(1).setValue(1);
}

void ConversionRun::add(const QString& name, const QByteArray& bytes) {
    writeBytes(source.filePath(name), bytes);
}

void ConversionRun::setSizing(Sizing sizing) {
    form.Check2(2).setValue(sizing == Sizing::Stretched ? 0 : 1);
    form.Picture2(1).setBackColor(sizing == Sizing::WidthDrives ? 0xFF0000 : 0xFFFFFF);
    form.Picture1->setWidth(441 * 15);
    form.Picture1->setHeight(331 * 15);
}

void ConversionRun::convert() {
    form.File1->refresh();
    press();
}

void ConversionRun::press() {
    system.messages.clear();
    form.Command1_Click();
}

QStringList ConversionRun::jpegs() const {
    return QDir(jpegFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList ConversionRun::bmps() const {
    return QDir(bmpFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString ConversionRun::message() const {
    EXPECT_LE(system.messages.size(), 1u);
    return system.messages.empty() ? QString() : system.messages.back().text;
}

std::map<QString, QString> ConversionRun::reported(const QStringList& names) const {
    std::map<QString, QString> found;
    for (const QString& line : message().split(QLatin1Char('\n'))) {
        // The longest name that starts the line: "a.jpg" must not take a line of "a.jpg.jpg".
        QString best;
        for (const QString& name : names)
            if (line.startsWith(name + QStringLiteral(": ")) && name.size() > best.size())
                best = name;
        if (!best.isEmpty()) found[best] = line.mid(best.size() + 2);
    }
    return found;
}

QStringList allFilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}
