#include "WidgetTestSupport.h"

#include "widgets/Manager.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <gtest/gtest.h>

// The application must outlive every window and end before the process's
// own teardown, so the tests run inside main's QApplication.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Manager::SetProgramFolder(QStringLiteral(TARVO_BINARY_DIR));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

void EnsureApplication()
{
    Manager::SetProgramFolder(QStringLiteral(TARVO_BINARY_DIR));
}

void RecordingDialog::Open(const QString& title)
{
    Create(0, title, kWsPopup | kWsClipChildren, 0, {100, 100, 900, 700});
    ShowWindow(kSwShow);
    QApplication::setActiveWindow(GetWidget());
    ProcessEvents();
}

void Click(QWidget* widget, const QPoint& point, Qt::MouseButton button)
{
    QTest::mouseClick(widget, button, Qt::NoModifier, point);
    ProcessEvents();
}

void DoubleClick(QWidget* widget, const QPoint& point)
{
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, point);
    ProcessEvents();
}

void Drag(QWidget* widget, const QPoint& from, const QPoint& to)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from);
    const QPoint middle = (from + to) / 2;
    QMouseEvent move1(QEvent::MouseMove, middle, widget->mapToGlobal(middle), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move1);
    QMouseEvent move2(QEvent::MouseMove, to, widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move2);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, to);
    ProcessEvents();
}

void ProcessEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void TypeText(QWidget* widget, const QString& text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        QTest::keyClicks(widget, text);
    } else {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(widget, &event);
    }
    ProcessEvents();
}
