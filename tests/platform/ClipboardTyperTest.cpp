// Typing through the clipboard: the text is pasted with Ctrl+V and the
// clipboard gets back what it held before, once the target has taken it.
#include "platform/ClipboardTyper.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// The focused window: on Ctrl+V it reads the clipboard, as a target does
// (unless told to ignore the key, or to copy something of its own instead).
class FakeTarget : public KeySender {
public:
    struct Record {
        std::vector<std::string> keys;
        std::vector<QString> pasted;
    };
    explicit FakeTarget(Record& record)
        : m_record(record)
    {}
    bool Available() override { return available; }
    bool Send(Key key, Direction direction) override
    {
        m_record.keys.push_back(
            std::string(key == Key::Control ? "Ctrl" : "V") + (direction == Direction::Down ? " down" : " up"));
        if (key == Key::V && direction == Direction::Down && onPaste)
            onPaste();
        if (key == Key::V && direction == Direction::Down && reads)
            m_record.pasted.push_back(QGuiApplication::clipboard()->text());
        return true;
    }
    bool available = true;
    bool reads = true;
    std::function<void()> onPaste;

private:
    Record& m_record;
};

constexpr ClipboardTyper::Timings kFast{5, 5, 300};

class ClipboardTyperTest : public ::testing::Test {
protected:
    void SetUp() override { Clipboard()->setText(QStringLiteral("before")); }
    static QClipboard* Clipboard() { return QGuiApplication::clipboard(); }
    ClipboardTyper& Make()
    {
        auto target = std::make_unique<FakeTarget>(m_record);
        m_target = target.get();
        m_typer = std::make_unique<ClipboardTyper>(std::move(target), kFast);
        return *m_typer;
    }
    bool WaitIdle()
    {
        QElapsedTimer timer;
        timer.start();
        while (m_typer->IsBusy() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return !m_typer->IsBusy();
    }
    FakeTarget::Record m_record;
    FakeTarget* m_target = nullptr;
    std::unique_ptr<ClipboardTyper> m_typer;
};

TEST_F(ClipboardTyperTest, TheTextIsPastedAndTheClipboardPutBack)
{
    ClipboardTyper& typer = Make();
    ASSERT_TRUE(typer.Type(QStringLiteral("héllo wörld")));
    EXPECT_TRUE(typer.IsBusy());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_record.pasted, std::vector<QString>{QStringLiteral("héllo wörld")});
    EXPECT_EQ(m_record.keys, (std::vector<std::string>{"Ctrl down", "V down", "V up", "Ctrl up"}));
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("before"));
}

TEST_F(ClipboardTyperTest, TextsAskedForMeanwhileFollowInOrderAndTheClipboardReturnsOnce)
{
    ClipboardTyper& typer = Make();
    ASSERT_TRUE(typer.Type(QStringLiteral("one")));
    ASSERT_TRUE(typer.Type(QStringLiteral("two")));
    ASSERT_TRUE(typer.Type(QString(100 * 1024, QChar(u'z'))));
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(m_record.pasted.size(), 3u);
    EXPECT_EQ(m_record.pasted[0], QStringLiteral("one"));
    EXPECT_EQ(m_record.pasted[1], QStringLiteral("two"));
    EXPECT_EQ(m_record.pasted[2].size(), 100 * 1024);
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("before"));
}

TEST_F(ClipboardTyperTest, NothingHappensForAnEmptyTextOrWithoutSyntheticKeys)
{
    ClipboardTyper& typer = Make();
    EXPECT_FALSE(typer.Type(QString()));
    m_target->available = false;
    EXPECT_FALSE(typer.Type(QStringLiteral("x")));
    EXPECT_FALSE(typer.IsBusy());
    EXPECT_TRUE(m_record.keys.empty());
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("before"));
}

TEST_F(ClipboardTyperTest, EveryFormatOfTheClipboardReturnsAndAnEmptyOneStaysEmpty)
{
    auto* rich = new QMimeData;
    rich->setText(QStringLiteral("plain"));
    rich->setHtml(QStringLiteral("<b>bold</b>"));
    rich->setData(QStringLiteral("application/x-tarvo-test"), QByteArray("\x01\x02", 2));
    Clipboard()->setMimeData(rich);
    ClipboardTyper& typer = Make();
    ASSERT_TRUE(typer.Type(QStringLiteral("x")));
    ASSERT_TRUE(WaitIdle());
    const QMimeData* back = Clipboard()->mimeData();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->text(), QStringLiteral("plain"));
    EXPECT_EQ(back->html(), QStringLiteral("<b>bold</b>"));
    EXPECT_EQ(back->data(QStringLiteral("application/x-tarvo-test")), QByteArray("\x01\x02", 2));

    Clipboard()->clear();
    ASSERT_TRUE(typer.Type(QStringLiteral("y")));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_record.pasted.back(), QStringLiteral("y"));
    EXPECT_TRUE(Clipboard()->text().isEmpty());
}

TEST_F(ClipboardTyperTest, ATargetThatNeverReadsStillGetsTheClipboardBack)
{
    ClipboardTyper& typer = Make();
    m_target->reads = false;
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(typer.Type(QStringLiteral("ignored")));
    ASSERT_TRUE(WaitIdle());
    EXPECT_GE(timer.elapsed(), kFast.fallbackMs);
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("before"));
}

TEST_F(ClipboardTyperTest, ANewerCopyIsNeverOverwritten)
{
    ClipboardTyper& typer = Make();
    m_target->reads = false;
    m_target->onPaste = [] { QGuiApplication::clipboard()->setText(QStringLiteral("copied meanwhile")); };
    ASSERT_TRUE(typer.Type(QStringLiteral("x")));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("copied meanwhile"));
}

TEST_F(ClipboardTyperTest, ClosingMidPasteStillPutsTheClipboardBack)
{
    ClipboardTyper& typer = Make();
    ASSERT_TRUE(typer.Type(QStringLiteral("x")));
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("x"));
    m_typer.reset();
    EXPECT_EQ(Clipboard()->text(), QStringLiteral("before"));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
