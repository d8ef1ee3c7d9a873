#include "PanelFixture.h"
#include "app/panel/PanelFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

constexpr int kArabicId = 1;
constexpr int kChineseTraditionalId = 4;
constexpr int kPersianId = 8;
constexpr int kIndonesianId = 12;
constexpr int kNorwegianId = 17;
constexpr int kPortugueseId = 19;
constexpr int kGermanId = 11;
constexpr int kKoreanId = 15;
constexpr int kHebrewId = 24;

QList<QGroupBox*> mirroredGroups(const MainDlgForm& ui) {
    return {ui.groupMode,  ui.groupBasic, ui.groupLanguage, ui.groupAdjust,
            ui.groupCalib, ui.groupLens,  ui.groupPen};
}

// Geometry of every widget inside a group, by object name; mirrored: as a right-to-left
// panel must place it.
QMap<QString, QRect> groupChildren(const MainDlgForm& ui, bool mirrored = false) {
    QMap<QString, QRect> map;
    for (const QGroupBox* g : mirroredGroups(ui)) {
        for (const QWidget* w : g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            QRect r = w->geometry();
            if (mirrored)
                r.moveLeft(g->width() - r.x() - r.width());
            map.insert(w->objectName(), r);
        }
    }
    return map;
}

QStringList paragraphs(const QTextEdit* edit) {
    QStringList list;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
        list << b.text();
    return list;
}

// A label's text without the right-to-left mark that right-to-left languages put in front.
QString shown(const QLabel* label) {
    QString t = label->text();
    if (t.startsWith(QChar(0x200F)))
        t.remove(0, 1);
    return t;
}

// The texts the panel must show for a language, read from a table of its own.
void verifyTexts(const MainDlg& dlg, int languageId) {
    LanguageTable t;
    t.loadLanguage(languageId);
    const MainDlgForm& ui = dlg.form();
    QCOMPARE(dlg.windowTitle(), t.textC(0));
    QCOMPARE(ui.groupBasic->title(), t.textC(3));
    QCOMPARE(ui.checkCeiling->text(), t.textC(18));
    QCOMPARE(ui.radioFinger->text(), t.textT(5));
    QCOMPARE(ui.groupLens->title(), t.textC(24));
    QCOMPARE(ui.radioPlusPen->text(), t.textC(32));
    QCOMPARE(ui.pushView->text(), t.textT(1));
    QCOMPARE(shown(ui.labelInfo3), t.textM(10));
    QCOMPARE(ui.pushClose->text(), t.textT(10));
    QCOMPARE(shown(ui.labelUseL), t.textL(languageId - 1));
    const Qt::LayoutDirection direction = t.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    QCOMPARE(ui.labelInfo3->text().isRightToLeft(), t.isRightToLeft());
    for (const QTextEdit* edit : {ui.textEditInfo1, ui.textEditInfo3}) {
        for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
            QCOMPARE(b.textDirection(), direction);
    }
    QCOMPARE(ui.comboLens->itemText(1), t.textC(16));
    QCOMPARE(paragraphs(ui.textEditInfo1), (QStringList{t.textM(8), t.textM(9)}));
    QCOMPARE(ui.groupMode->title(), QStringLiteral("Mode"));
}

// Texts wider than the room their widget gives them, as "widget: text".
QStringList clippedTexts(const MainDlg& dlg) {
    QStringList clipped;
    const auto check = [&clipped](const QWidget* w, const QString& text, int room) {
        if (w->fontMetrics().horizontalAdvance(text) > room)
            clipped << w->objectName() + QStringLiteral(": ") + text;
    };
    for (const QLabel* label : dlg.findChildren<QLabel*>()) {
        if (!label->wordWrap())
            check(label, label->text(), label->contentsRect().width());
    }
    for (const QAbstractButton* box : dlg.findChildren<QAbstractButton*>()) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const bool indicator = qobject_cast<const QCheckBox*>(box) != nullptr ||
                               qobject_cast<const QRadioButton*>(box) != nullptr;
        if (!indicator) {
            const int margin = box->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, box);
            check(box, box->text(), box->width() - 2 * margin);
            continue;
        }
        const auto element = qobject_cast<const QCheckBox*>(box) ? QStyle::SE_CheckBoxContents
                                                                 : QStyle::SE_RadioButtonContents;
        check(box, box->text(), box->style()->subElementRect(element, &option, box).width());
    }
    for (const QComboBox* combo : dlg.findChildren<QComboBox*>()) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i)
            check(combo, combo->itemText(i), field.width());
    }
    for (const QGroupBox* group : dlg.findChildren<QGroupBox*>())
        check(group, group->title(), group->contentsRect().width());
    // The explanations must do without a scroll bar.
    for (const QTextEdit* edit : dlg.findChildren<QTextEdit*>()) {
        if (edit->verticalScrollBar()->maximum() > 0)
            clipped << edit->objectName() + QStringLiteral(": ") + edit->toPlainText();
    }
    return clipped;
}

} // namespace

class PanelTextsTest : public QObject {
    Q_OBJECT

private slots:
    void englishTextsAndComposedBoxes() {
        PanelFixture p;
        const MainDlgForm& ui = p.ui();
        QCOMPARE(p.dlg->windowTitle(), QStringLiteral("Tivora Configuration"));
        QCOMPARE(ui.pushView->text(), QStringLiteral("Alignment View"));
        QCOMPARE(ui.checkSemiAutoCalib->text(), QStringLiteral("Tuning"));

        QCOMPARE(ui.comboLens->count(), 4);
        const QStringList lensItems = {
            QStringLiteral("-- Select --"), QStringLiteral("Normal Throw"),
            QStringLiteral("Short Throw"), QStringLiteral("Ultra Short Throw")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(ui.comboLens->itemText(i), lensItems.at(i));
            QCOMPARE(ui.comboLens->itemData(i).toInt(), i);
        }
        QCOMPARE(ui.comboLanguage->count(), 25);
        QCOMPARE(ui.comboLanguage->itemText(0), QStringLiteral("-- Select --"));
        QCOMPARE(ui.comboLanguage->itemText(24), p.text.textL(23));
        QCOMPARE(ui.comboLanguage->currentIndex(), PanelFixture::kEnglishId);
        QCOMPARE(ui.labelUseL->text(), QStringLiteral("English"));

        QCOMPARE(paragraphs(ui.textEditInfo1), (QStringList{p.text.textM(8), p.text.textM(9)}));
        for (QTextBlock b = ui.textEditInfo1->document()->begin(); b.isValid(); b = b.next()) {
            QCOMPARE(b.blockFormat().lineHeightType(), int(QTextBlockFormat::FixedHeight));
            QCOMPARE(b.blockFormat().lineHeight(), 20.0);
            QCOMPARE(b.blockFormat().alignment(), Qt::AlignJustify);
        }
    }

    void calibrationTextFollowsTheTuningBox() {
        PanelFixture p;
        const QString m12 = p.text.textM(11);
        const QString m13 = p.text.textM(12);
        const QString m21 = p.text.textM(20);
        QCOMPARE(paragraphs(p.ui().textEditInfo3), (QStringList{m13, m12}));
        p.connectDevice(LensNormalThrow);
        QCOMPARE(paragraphs(p.ui().textEditInfo3), (QStringList{m13, m21, m12}));
        p.dlg->SetFWOption(0, 0, 0, LensReportedOnly);
        QCOMPARE(paragraphs(p.ui().textEditInfo3), (QStringList{m13, m12}));
    }

    void languageSwitchReappliesTexts() {
        PanelFixture p;
        p.connectDevice(LensShortThrow);
        const MainDlgForm& ui = p.ui();

        ui.comboLanguage->setCurrentIndex(kGermanId);
        QCOMPARE(p.text.languageIndex(), kGermanId - 1);
        verifyTexts(*p.dlg, kGermanId);
        QCOMPARE(ui.comboLanguage->currentIndex(), kGermanId);
        QCOMPARE(ui.comboLanguage->count(), 25);
        // The lens choice survives the refill.
        QCOMPARE(ui.comboLens->currentIndex(), 2);

        ui.comboLanguage->setCurrentIndex(PanelFixture::kEnglishId);
        verifyTexts(*p.dlg, PanelFixture::kEnglishId);
        QCOMPARE(ui.pushView->text(), QStringLiteral("Alignment View"));
    }

    void keyboardChoiceOfLanguage() {
        PanelFixture p;
        p.dlg->SetUIState(true);
        QComboBox* box = p.ui().comboLanguage;
        box->setFocus();
        // From English (item 7) one down is Persian (item 8), while the box refills itself.
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(p.text.languageCode(), QStringLiteral("FAR"));
        QCOMPARE(box->currentIndex(), 8);
        QCOMPARE(box->count(), 25);
        QCOMPARE(p.ui().groupCalib->layoutDirection(), Qt::RightToLeft);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(p.text.languageCode(), QStringLiteral("ENU"));
        QCOMPARE(p.ui().groupCalib->layoutDirection(), Qt::LeftToRight);
    }

    void placeholderLanguageChangesNothing() {
        PanelFixture p;
        QSignalSpy lens(p.dlg.get(), &MainDlg::sigSetLens);
        p.ui().comboLanguage->setCurrentIndex(0);
        QCOMPARE(p.text.languageIndex(), LanguageTable::kEnglishIndex);
        QCOMPARE(p.dlg->windowTitle(), QStringLiteral("Tivora Configuration"));
        QCOMPARE(lens.count(), 0);
    }

    void rightToLeftLanguagesMirrorTheGroups_data() {
        QTest::addColumn<int>("languageId");
        QTest::newRow("Arabic") << kArabicId;
        QTest::newRow("Hebrew") << kHebrewId;
    }
    void rightToLeftLanguagesMirrorTheGroups() {
        QFETCH(int, languageId);
        PanelFixture p;
        p.connectDevice(LensNormalThrow);
        const MainDlgForm& ui = p.ui();
        const QMap<QString, QRect> leftToRight = groupChildren(ui);
        const QMap<QString, QRect> rightToLeft = groupChildren(ui, true);

        ui.comboLanguage->setCurrentIndex(languageId);
        verifyTexts(*p.dlg, languageId);
        for (QGroupBox* g : mirroredGroups(ui))
            QVERIFY2(g->layoutDirection() == Qt::RightToLeft, qPrintable(g->objectName()));
        QCOMPARE(ui.checkCeiling->layoutDirection(), Qt::RightToLeft);
        QCOMPARE(groupChildren(ui), rightToLeft);
        QCOMPARE(ui.pushAutoCalib->x(), 520 - 50 - 130);

        // The lens handler places the buttons again, on the mirrored side.
        ui.comboLens->setCurrentIndex(0);
        QCOMPARE(ui.pushAutoCalib->x(), 520 - 110 - 130);
        ui.comboLens->setCurrentIndex(1);

        ui.comboLanguage->setCurrentIndex(kGermanId);
        for (QGroupBox* g : mirroredGroups(ui))
            QVERIFY2(g->layoutDirection() == Qt::LeftToRight, qPrintable(g->objectName()));
        QCOMPARE(groupChildren(ui), leftToRight);
    }

    // The toolkit's own texts and the direction of message boxes, whose parent may be the
    // panel, follow the language chosen in the panel; the panel keeps its own direction.
    void toolkitFollowsTheLanguage_data() {
        QTest::addColumn<int>("languageId");
        QTest::addColumn<int>("button"); // a QMessageBox::StandardButton
        QTest::addColumn<QString>("text");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::newRow("German") << kGermanId << int(QMessageBox::Yes) << "&Ja" << Qt::LeftToRight;
        QTest::newRow("Chinese, traditional characters")
            << kChineseTraditionalId << int(QMessageBox::Ok) << "確定" << Qt::LeftToRight;
        QTest::newRow("Brazilian Portuguese")
            << kPortugueseId << int(QMessageBox::No) << "&Não" << Qt::LeftToRight;
        QTest::newRow("Arabic") << kArabicId << int(QMessageBox::Yes) << "&نعم" << Qt::RightToLeft;
        QTest::newRow("Persian") << kPersianId << int(QMessageBox::No) << "&نه" << Qt::RightToLeft;
        QTest::newRow("Hebrew") << kHebrewId << int(QMessageBox::Yes) << "&כן" << Qt::RightToLeft;
        // Without a translation of their own: English, not a neighbour's (Nynorsk) texts.
        QTest::newRow("Norwegian Bokmal")
            << kNorwegianId << int(QMessageBox::Yes) << "&Yes" << Qt::LeftToRight;
        QTest::newRow("Indonesian")
            << kIndonesianId << int(QMessageBox::Yes) << "&Yes" << Qt::LeftToRight;
    }
    void toolkitFollowsTheLanguage() {
        QFETCH(int, languageId);
        QFETCH(int, button);
        QFETCH(QString, text);
        QFETCH(Qt::LayoutDirection, direction);
        if (!QFile::exists(ToolkitLanguage::translationsFolder() + QStringLiteral("/qtbase_de.qm")))
            QSKIP("the toolkit's translations are not installed (scripts/install-deps)");
        PanelFixture p;
        const auto box = [&p] {
            return std::make_unique<QMessageBox>(
                QMessageBox::Question, QStringLiteral("Tivora"), QString(),
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok, p.dlg.get());
        };
        p.ui().comboLanguage->setCurrentIndex(languageId);
        auto shown = box();
        QCOMPARE(shown->button(QMessageBox::StandardButton(button))->text(), text);
        QCOMPARE(shown->layoutDirection(), direction);
        QCOMPARE(p.dlg->layoutDirection(), Qt::LeftToRight);

        p.ui().comboLanguage->setCurrentIndex(PanelFixture::kEnglishId);
        shown = box();
        QCOMPARE(shown->button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
        QCOMPARE(shown->layoutDirection(), Qt::LeftToRight);
    }

    void startingRightToLeftPlacesLikeSwitching() {
        PanelFixture english;
        english.connectDevice(LensNormalThrow);
        PanelFixture arabic(96.0, kArabicId);
        arabic.connectDevice(LensNormalThrow);
        QCOMPARE(groupChildren(arabic.ui()), groupChildren(english.ui(), true));
    }

    void everyLanguageFitsItsWidgets_data() {
        QTest::addColumn<int>("languageId");
        LanguageTable names;
        names.loadLanguage(PanelFixture::kEnglishId);
        for (int id = 1; id <= LanguageTable::kLanguageCount; ++id)
            QTest::newRow(qPrintable(names.textL(id - 1))) << id;
    }
    void everyLanguageFitsItsWidgets() {
        QFETCH(int, languageId);
        PanelFixture p(96.0, languageId);
        // The automatic layout, which shows the tuning box and the longest explanation.
        p.connectDevice(LensNormalThrow);
        p.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.dlg.get()));
        const QStringList clipped = clippedTexts(*p.dlg);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
    }

    void koreanUsesAHangulFamily() {
        QCOMPARE(koreanFamily({QStringLiteral("DejaVu Sans"), QStringLiteral("Malgun Gothic"),
                               QStringLiteral("NanumGothic")},
                              {QStringLiteral("NanumGothic")}),
                 QStringLiteral("Malgun Gothic"));
        QCOMPARE(koreanFamily({QStringLiteral("nanumgothic"), QStringLiteral("UnDotum")}, {}),
                 QStringLiteral("NanumGothic"));
        QCOMPARE(koreanFamily({QStringLiteral("Some Hangul")}, {QStringLiteral("Some Hangul")}),
                 QStringLiteral("Some Hangul"));
        QVERIFY(koreanFamily({QStringLiteral("DejaVu Sans")}, {}).isEmpty());

        QCOMPARE(panelFont(LanguageTable::kEnglishIndex).family(), QStringLiteral("Tahoma"));
        PanelFixture korean(96.0, kKoreanId);
        const QFont shown = korean.ui().pushView->font();
        QCOMPARE(shown.family(), panelFont(kKoreanId - 1).family());
        QCOMPARE(shown.pointSize(), panelFont(LanguageTable::kEnglishIndex).pointSize());
    }
};

QTEST_MAIN(PanelTextsTest)
#include "test_panel_texts.moc"
