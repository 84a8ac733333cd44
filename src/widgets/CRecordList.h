#pragma once

#include "widgets/MListBase.h"

#include <map>
#include <vector>

// One event of the record list.
struct RecordItem {
    QString text;
    int32_t type = 0;
    int32_t value = 0;
    int32_t delay = 0; // ms after the event
    bool operator==(const RecordItem&) const = default;
};

// The macro event list: number, event text, optionally a type column, and
// delay per row. A double click edits the delay in place (kNotifyEditCommit);
// a typed delay is brought into the delay range. Its context menu posts
// kInsertMessage (lParam 101 key A, 102 left click) and kMoveMessage (lParam
// 100 top, 101 up, 102 down, 103 bottom, 104 delete all), wParam = control id.
class CRecordList : public MListBase {
public:
    static constexpr uint32_t kInsertMessage = kWmUser + 686; // 1710
    static constexpr uint32_t kMoveMessage = kWmUser + 687; // 1711
    // Widths of the columns in pixels; the event text takes the rest.
    static constexpr int32_t kNumberWidth = 44;
    static constexpr int32_t kTypeWidth = 140;
    static constexpr int32_t kDelayWidth = 90;

    explicit CRecordList(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("CRecordList"); }
    int32_t AddString(const QString& text, int32_t type, int32_t value, int32_t delay);
    // Inserts at `position` (clamped to 0..count); returns the index.
    int32_t InsertString(int32_t position, const QString& text, int32_t type, int32_t value, int32_t delay);
    // Swaps two events; the selection follows the event it was on.
    bool SwapItem(int32_t first, int32_t second);
    bool MoveTop(int32_t index);
    bool MoveBottom(int32_t index);
    // Sets the delay of the last event; false when the list is empty.
    bool UpdateDelayTime(int32_t delay);
    int32_t GetEventCount() const { return GetItemCount(); }
    std::vector<RecordItem> GetRecordItems() const;
    // Texts of the menu entries, in the order of the commands above.
    void SetMenuTexts(const QStringList& insertTexts, const QStringList& moveTexts);
    void SetIconImage(const QString& file)
    {
        m_icon = file;
        update();
    }
    // What the type column shows for each event type; empty: no type column.
    void SetTypeTexts(std::map<int32_t, QString> texts);
    // The range a delay edited in place is brought into (ms); 0 to INT_MAX unless set.
    void SetDelayRange(int32_t minimum, int32_t maximum);

protected:
    void PaintBackground(QPainter& painter) override;
    void PaintItem(QPainter& painter, const QRect& rect, int32_t index, bool selected, bool hovered) override;
    QString EditText(int32_t index) const override;
    bool ApplyEdit(int32_t index, const QString& text) override;
    QRect EditRect(int32_t index) const override;

private:
    bool MoveTo(int32_t from, int32_t to);
    QString m_icon = QStringLiteral("icon/icon_record.png");
    std::map<int32_t, QString> m_typeTexts;
    int32_t m_minDelay = 0;
    int32_t m_maxDelay = INT32_MAX;
};
