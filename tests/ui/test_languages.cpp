// The windows in both languages: every page and tab of the main window, the print window, the JPEG
// quality window and the About box show English captions under English (no Japanese left but a
// few symbols) and the design's Japanese texts under Japanese; an English caption fits its control,
// or needs no more room than the Japanese one.
#include "ui/aboutdialogbox.h"
#include "ui/jpegqualitywindow.h"
#include "ui/mainform.h"
#include "ui/print/printform.h"
#include "ui/uilanguage.h"
#include "ui/widgets/appfont.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>

namespace {
using captionMap = std::map<QString, QString>; // "objectName/what" -> text

// Kana, kanji and full-width forms. The symbols an English caption may keep (×, °, the "?" and "~"
// before the brush names) are not among them.
const QRegularExpression japanese(QStringLiteral("[\\x{3000}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

std::unique_ptr<QWidget> makeWindow(const QString &kind)
{
    if (kind == QLatin1String("main")) {
        auto window = std::make_unique<TmainForm>();
        window->resize(1024, 743);
        return window;
    }
    if (kind == QLatin1String("print")) return std::make_unique<TprintWindow>();
    if (kind == QLatin1String("quality")) {
        auto window = std::make_unique<TjpegQualityForm>();
        window->offerOriginalQuality(true, true, QString()); // its row for a JPEG too
        return window;
    }
    return std::make_unique<TAboutBox>();
}

// The room a control's caption needs and the room it has, in pixels (heights for a label that
// wraps its lines, widths otherwise); nothing for a control without a caption.
struct room {
    int needed = 0;
    int has = 0;
    QString text;
};
std::optional<room> roomOf(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w)) {
        if (label->text().isEmpty() || !label->pixmap().isNull()) return std::nullopt;
        if (label->wordWrap()) return room{label->heightForWidth(label->width()), label->height(), label->text()};
        return room{label->sizeHint().width(), label->width(), label->text()};
    }
    if (auto *button = qobject_cast<QAbstractButton *>(w); // a push or tool button's text may reach its frame
        button && (qobject_cast<QPushButton *>(w) || qobject_cast<QToolButton *>(w)) && !button->text().isEmpty())
        return room{button->fontMetrics().horizontalAdvance(button->text()) + 4, button->width(), button->text()};
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        if (!button->text().isEmpty()) return room{button->sizeHint().width(), button->width(), button->text()};
    if (auto *bar = qobject_cast<QTabBar *>(w)) {
        QStringList texts;
        for (int i = 0; i < bar->count(); ++i) texts << bar->tabText(i);
        return room{bar->sizeHint().width(), bar->parentWidget()->width(), texts.join(QLatin1Char('|'))};
    }
    return std::nullopt;
}

// The captions of the controls visible now, and the room each one needs and has.
void collect(QWidget *window, captionMap &captions, std::map<QString, room> &rooms)
{
    captions[QStringLiteral("window/title")] = window->windowTitle();
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisible()) continue;
        const QString name = w->objectName();
        if (!w->toolTip().isEmpty()) captions[name + QStringLiteral("/tip")] = w->toolTip();
        if (auto *label = qobject_cast<QLabel *>(w)) captions[name + QStringLiteral("/text")] = label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(w)) captions[name + QStringLiteral("/text")] = button->text();
        if (auto *box = qobject_cast<QGroupBox *>(w)) captions[name + QStringLiteral("/title")] = box->title();
        if (auto *tabs = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < tabs->count(); ++i)
                captions[name + QStringLiteral("/tab%1").arg(i)] = tabs->tabText(i);
        if (const std::optional<room> r = roomOf(w))
            rooms[qobject_cast<QTabBar *>(w) ? w->parentWidget()->objectName() + QStringLiteral("/tabs") : name] = *r;
    }
}

// Every page: each tab of each tab control in turn, the others where they stand.
void walk(QWidget *window, captionMap &captions, std::map<QString, room> &rooms)
{
    window->show();
    QCoreApplication::processEvents();
    collect(window, captions, rooms);
    for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        // The pages of the tab controls around it that hold it come first.
        for (QWidget *outer = tabs->parentWidget(); outer; outer = outer->parentWidget())
            if (auto *around = qobject_cast<QTabWidget *>(outer))
                for (int i = 0; i < around->count(); ++i)
                    if (around->widget(i)->isAncestorOf(tabs)) around->setCurrentIndex(i);
        const int start = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            collect(window, captions, rooms);
        }
        tabs->setCurrentIndex(start);
    }
}

struct walked {
    captionMap captions;
    std::map<QString, room> rooms;
};

walked walkIn(const QString &language, const QString &kind)
{
    if (!language.isEmpty()) loadInterfaceLanguage(language);
    walked result;
    {
        const std::unique_ptr<QWidget> window = makeWindow(kind);
        walk(window.get(), result.captions, result.rooms);
    }
    loadInterfaceLanguage(QStringLiteral("ja"));
    return result;
}
} // namespace

class testLanguages : public QObject {
    Q_OBJECT
    QTemporaryDir cache;

private slots:
    void initTestCase()
    {
        QVERIFY(cache.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        installApplicationFont(); // the program's own font, whose captions must fit
    }

    void captions_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("japaneseCaption");
        QTest::addColumn<QString>("englishCaption");
        QTest::newRow("main window") << "main" << "画像処理実行" << "Apply";
        QTest::newRow("print window") << "print" << "印刷実行" << "Print";
        QTest::newRow("JPEG quality") << "quality" << "保存画質" << "Quality";
        QTest::newRow("About box") << "about" << "バージョン情報" << "About Korvia";
    }

    void captions()
    {
        QFETCH(QString, kind);
        QFETCH(QString, japaneseCaption);
        QFETCH(QString, englishCaption);
        QVERIFY(speaksLanguage(QStringLiteral("en")));

        // Japanese: exactly the captions of the sources, as without any catalogue.
        const walked design = walkIn(QString(), kind);
        const walked japaneseWalk = walkIn(QStringLiteral("ja"), kind);
        QVERIFY(design.captions == japaneseWalk.captions);
        const auto shows = [](const walked &w, const QString &text) {
            return std::any_of(w.captions.begin(), w.captions.end(), [&](const auto &c) { return c.second == text; });
        };
        QVERIFY(shows(japaneseWalk, japaneseCaption));

        // English: no Japanese left, and no caption wider than its control where the Japanese fits.
        const walked english = walkIn(QStringLiteral("en"), kind);
        QVERIFY(shows(english, englishCaption));
        QStringList left;
        for (const auto &[where, text] : english.captions)
            if (text.contains(japanese)) left << where + QStringLiteral(": ") + text;
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));
        QStringList cramped;
        for (const auto &[name, r] : english.rooms) {
            const auto japaneseRoom = design.rooms.find(name);
            const int japaneseNeeds = japaneseRoom == design.rooms.end() ? 0 : japaneseRoom->second.needed;
            if (r.needed > r.has && r.needed > japaneseNeeds)
                cramped << QStringLiteral("%1 \"%2\" needs %3, has %4").arg(name, r.text, QString::number(r.needed), QString::number(r.has));
        }
        QVERIFY2(cramped.isEmpty(), qPrintable(cramped.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(testLanguages)
#include "test_languages.moc"
