#include "FileFilter.h"

#include <QObject>
#include <QString>
#include <QTest>

using namespace Qt::StringLiterals;

class FileFilterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void translatesToQtNameFilter_data();
    void translatesToQtNameFilter();
};

void FileFilterTest::translatesToQtNameFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("game files") << u"步步高RPG文件|*.gam|"_s << u"步步高RPG文件 (*.gam)"_s;
    QTest::newRow("library files") << u"步步高Lib文件|*.lib|"_s << u"步步高Lib文件 (*.lib)"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only a bar") << u"|"_s << QString();
    QTest::newRow("no final bar") << u"步步高RPG文件|*.gam"_s << u"步步高RPG文件 (*.gam)"_s;
    QTest::newRow("two pairs") << u"游戏|*.gam|全部|*.*|"_s << u"游戏 (*.gam);;全部 (*.*)"_s;
    QTest::newRow("two pairs, no final bar") << u"游戏|*.gam|全部|*.*"_s << u"游戏 (*.gam);;全部 (*.*)"_s;
    QTest::newRow("several patterns") << u"图片|*.png;*.jpg|"_s << u"图片 (*.png *.jpg)"_s;
    QTest::newRow("blanks around patterns") << u"图片| *.png ; *.jpg |"_s << u"图片 (*.png *.jpg)"_s;
    QTest::newRow("empty pattern between separators") << u"图片|*.png;;*.jpg|"_s << u"图片 (*.png *.jpg)"_s;
    QTest::newRow("description without pattern") << u"游戏|*.gam|孤儿"_s << u"游戏 (*.gam)"_s;
    QTest::newRow("description with empty pattern") << u"空|| 游戏|*.gam|"_s << u"游戏 (*.gam)"_s;
    QTest::newRow("only a description") << u"游戏"_s << QString();
    QTest::newRow("pattern without description") << u"|*.gam|"_s << u"*.gam"_s;
    QTest::newRow("description with blanks") << u"All files|*|"_s << u"All files (*)"_s;
}

void FileFilterTest::translatesToQtNameFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);

    QCOMPARE(ToQtNameFilter(filter), expected);
}

QTEST_GUILESS_MAIN(FileFilterTest)
#include "tst_filefilter.moc"
