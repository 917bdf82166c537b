#include "ZelTreeFixture.h"

#include <sstream>

void ZelTreeFixture::setUpFixture()
{
    FillLanguageTable(u"ENG"_s);
    m_dir = std::make_unique<QTemporaryDir>();
    m_root.setPath(m_dir->path());
    QVERIFY(m_root.mkpath(u"bin"_s));
    QVERIFY(m_root.mkpath(u"data"_s));
    QVERIFY(m_root.mkpath(u"PoData"_s));
    QVERIFY(writeFile(m_root.filePath(u"bin/PO.ini"_s),
                      "[Application]\ndatapath=" + m_root.filePath(u"data"_s).toUtf8() + "\n"));
    resetDirectories(m_root.filePath(u"bin"_s));
    Log::instance().setFileName(m_root.filePath(u"data/ZELPO.LOG"_s));
    QVERIFY(writeFile(poData(u"ZelDefs.xml"_s), kZelDefs));
    QVERIFY(writeFile(poData(u"LinkDefs.xml"_s), kLinkDefs));

    m_zelDefs = std::make_unique<DocumentOwner>("ZelDefs.xml", kZelDefsRoot);
    m_linkDefs = std::make_unique<DocumentOwner>("LinkDefs.xml", kLinkDefsRoot);
    QCOMPARE(m_zelDefs->open().outcome, OpenResult::Loaded);
    QCOMPARE(m_linkDefs->open().outcome, OpenResult::Loaded);

    m_answers.clear();
    m_shown.clear();
    m_yes = true;
    m_questions.clear();
    m_messages.clear();
    m_chosenFile.clear();
    m_choices.clear();
    reloadPage();
}

void ZelTreeFixture::reloadPage()
{
    m_page = std::make_unique<LinkConfigPage>();
    m_page->resize(1100, 600);
    m_page->setDocuments(m_zelDefs.get(), m_linkDefs.get());
    ZelTreeInteraction& interaction = pane().interaction();
    interaction.runItemDialog = [this](TOKBottomDlg& dialog) {
        m_shown << snapshot(dialog);
        if (m_answers.empty()) {
            pressCancel()(dialog);
            return;
        }
        const DialogAnswer answer = m_answers.front();
        m_answers.pop_front();
        answer(dialog);
    };
    interaction.ask = [this](QMessageBox::Icon icon, const QString& text) {
        m_questions << (icon == QMessageBox::Warning ? u"warning: "_s : u"question: "_s) + text;
        return m_yes;
    };
    interaction.showMessage = [this](const QString& text) { m_messages << text; };
    m_page->interaction().confirm = [this](const QString& text) {
        m_questions << u"confirm: "_s + text;
        return m_yes;
    };
    interaction.chooseFile = [this](const FileChoice& choice) {
        m_choices << choice;
        return m_chosenFile;
    };
    pane().FillZelTree();
    m_page->FillDefinitionsGrid(*m_linkDefs->document());
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void ZelTreeFixture::tearDownFixture()
{
    m_page.reset();
    m_zelDefs.reset();
    m_linkDefs.reset();
    resetDirectories();
    m_dir.reset();
    resetLanguageTable();
}

ZelTreeItem* ZelTreeFixture::node(const QStringList& path) const
{
    QTreeWidgetItem* current = tree().topLevelItem(0);
    for (const QString& text : path) {
        // A location's alarm nodes are made when something looks at them.
        pane().makeAlarms(current);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; current && i < current->childCount(); ++i) {
            if (current->child(i)->text(0) == text)
                next = current->child(i);
        }
        current = next;
    }
    return static_cast<ZelTreeItem*>(current);
}

void ZelTreeFixture::click(const QStringList& path)
{
    ZelTreeItem* target = node(path);
    QVERIFY2(target, qPrintable(path.join(u'/')));
    if (target->parent())
        target->parent()->setExpanded(true);
    tree().scrollToItem(target);
    const QRect area = tree().visualItemRect(target);
    QVERIFY(!area.isEmpty());
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, area.center());
    QCOMPARE(pane().selectedNode(), target);
}

QString treeTextOf(ZelTreePane& pane)
{
    const QTreeWidget& tree = pane.tvZelLoc();
    const std::function<QString(QTreeWidgetItem*)> text = [&](QTreeWidgetItem* item) {
        pane.makeAlarms(item);
        QString line = item->text(0);
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i)
            children << text(item->child(i));
        if (!children.isEmpty())
            line += u" / "_s + children.join(u", "_s) + u" \\"_s;
        return line;
    };
    return tree.topLevelItemCount() == 1 ? text(tree.topLevelItem(0)) : u"(not one root)"_s;
}

QString ZelTreeFixture::treeText() const
{
    return treeTextOf(pane());
}

QString ZelTreeFixture::catalogue() const
{
    QString text;
    for (const pugi::xml_node location : m_zelDefs->document()->root().children()) {
        text += u'[';
        for (const pugi::xml_attribute attr : location.attributes())
            text += QString::fromUtf8(attr.value()) + u' ';
        for (const pugi::xml_node alarm : location.children()) {
            text += u'(';
            QStringList values;
            for (const pugi::xml_attribute attr : alarm.attributes())
                values << QString::fromUtf8(attr.value());
            text += values.join(u' ') + u')';
        }
        text += u']';
    }
    DocumentOwner disk("ZelDefs.xml", kZelDefsRoot);
    if (!disk.open().ok())
        return u"(unreadable on disk)"_s;
    std::ostringstream inMemory;
    std::ostringstream onDisk;
    m_zelDefs->document()->root().print(inMemory);
    disk.document()->root().print(onDisk);
    return inMemory.str() == onDisk.str() ? text : u"(disk differs) "_s + text;
}

QStringList ZelTreeFixture::columnCells(int column) const
{
    QStringList cells;
    for (int row = 0; row < grid().rowCount(); ++row)
        cells << grid().cellText(row, column);
    return cells;
}
