#include "StoreTestSupport.h"

#include "store/ProfileLoader.h"
#include "store/StoreRecords.h"

#include <vector>

namespace {

class TablesTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_TRUE(Open());
        ProfileLoader::LoadProfiles(m_store);
    }

    static KeyAssignment Button(int profile, int keyCode, int value, int value2)
    {
        KeyAssignment a;
        a.profile = profile;
        a.key_code = keyCode;
        a.layout_value = 3;
        a.layout_desc = QStringLiteral("Ctrl+C");
        a.macro_type = 2;
        a.macro_value = value;
        a.macro_value2 = value2;
        a.macro_value3 = -1;
        a.macro_desc = QStringLiteral("复制");
        return a;
    }
};

TEST_F(TablesTest, KeyAssignmentRoundTripsEveryField)
{
    const int id = m_store.SetKeyAssignment(Button(1, 4, 6, 1));
    ASSERT_GT(id, 0);
    KeyAssignment read;
    ASSERT_TRUE(m_store.GetKeyAssignment(1, 4, read));
    EXPECT_EQ(read.key_id, id);
    EXPECT_EQ(read.profile, 1);
    EXPECT_EQ(read.fn_layer, 0);
    EXPECT_EQ(read.key_code, 4);
    EXPECT_EQ(read.layout_value, 3);
    EXPECT_EQ(read.layout_desc, QStringLiteral("Ctrl+C"));
    EXPECT_EQ(read.macro_type, 2);
    EXPECT_EQ(read.macro_value, 6);
    EXPECT_EQ(read.macro_value2, 1);
    EXPECT_EQ(read.macro_value3, -1);
    EXPECT_EQ(read.macro_desc, QStringLiteral("复制"));
    EXPECT_FALSE(m_store.GetKeyAssignment(2, 4, read)); // per profile
}

TEST_F(TablesTest, WritingTheSameButtonTwiceLeavesOneRowWithANewId)
{
    const int first = m_store.SetKeyAssignment(Button(1, 2, 1, 0));
    const int second = m_store.SetKeyAssignment(Button(1, 2, 0, 9)); // only value2 set: still kept
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_key_macro_data WHERE profile = 1 AND key_code = 2"), 1);
    KeyAssignment read;
    ASSERT_TRUE(m_store.GetKeyAssignment(1, 2, read));
    EXPECT_EQ(read.macro_value2, 9);
}

TEST_F(TablesTest, ZeroValuesRemoveTheRowAndReturnZero)
{
    ASSERT_GT(m_store.SetKeyAssignment(Button(1, 3, 5, 5)), 0);
    KeyAssignment cleared = Button(1, 3, 0, 0);
    cleared.macro_value3 = 44; // the third value does not keep a row
    EXPECT_EQ(m_store.SetKeyAssignment(cleared), 0);
    KeyAssignment read;
    EXPECT_FALSE(m_store.GetKeyAssignment(1, 3, read));
    EXPECT_EQ(QueryInt("SELECT count(*) FROM t_key_macro_data"), 0);
}

TEST_F(TablesTest, ListDescribeAndDeleteAssignments)
{
    for (int key = 1; key <= 14; ++key)
        ASSERT_GT(m_store.SetKeyAssignment(Button(1, key, key, 0)), 0);
    ASSERT_GT(m_store.SetKeyAssignment(Button(2, 1, 1, 0)), 0);
    std::vector<KeyAssignment> list(3);
    EXPECT_EQ(m_store.ListKeyAssignments(1, list), 14);
    EXPECT_EQ(list.size(), 14u);
    EXPECT_TRUE(m_store.SetKeyDescription(1, 7, QStringLiteral("new")));
    KeyAssignment read;
    ASSERT_TRUE(m_store.GetKeyAssignment(1, 7, read));
    EXPECT_EQ(read.macro_desc, QStringLiteral("new"));
    EXPECT_TRUE(m_store.DeleteKeyAssignments(1));
    EXPECT_EQ(m_store.ListKeyAssignments(1, list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(m_store.ListKeyAssignments(2, list), 1);
}

TEST_F(TablesTest, KeyOtherDataLeavesOutputsAloneForAMissingRow)
{
    const int id = m_store.AddKeyOtherData(QStringLiteral("Editor"), QStringLiteral("/usr/bin/kate --new"), 9);
    ASSERT_GT(id, 0);
    QString desc = QStringLiteral("keep");
    QString param = QStringLiteral("keep");
    int type = 123;
    EXPECT_TRUE(m_store.GetKeyOtherData(id + 1, desc, param, type));
    EXPECT_EQ(desc, QStringLiteral("keep"));
    EXPECT_EQ(param, QStringLiteral("keep"));
    EXPECT_EQ(type, 123);
    EXPECT_TRUE(m_store.GetKeyOtherData(id, desc, param, type));
    EXPECT_EQ(desc, QStringLiteral("Editor"));
    EXPECT_EQ(param, QStringLiteral("/usr/bin/kate --new"));
    EXPECT_EQ(type, 9);
}

TEST_F(TablesTest, MacrosAndTheirDefaults)
{
    const int id = m_store.AddMacro(QStringLiteral("Macro1"));
    ASSERT_GT(id, 0);
    MacroInfo macro;
    ASSERT_TRUE(m_store.GetMacro(id, macro));
    EXPECT_EQ(macro.macro_id, id);
    EXPECT_EQ(macro.name, QStringLiteral("Macro1"));
    EXPECT_EQ(macro.play_type, 0);
    EXPECT_EQ(macro.play_times, 1);
    EXPECT_EQ(macro.delay_type, 1);
    EXPECT_EQ(macro.delay_time, 0);

    MacroInfo changed { 0, QStringLiteral("宏2"), 2, 5, 0, 30 };
    EXPECT_TRUE(m_store.UpdateMacro(id, changed));
    ASSERT_TRUE(m_store.GetMacro(id, macro));
    EXPECT_EQ(macro.name, QStringLiteral("宏2"));
    EXPECT_EQ(macro.play_type, 2);
    EXPECT_EQ(macro.play_times, 5);
    EXPECT_EQ(macro.delay_type, 0);
    EXPECT_EQ(macro.delay_time, 30);
    EXPECT_TRUE(m_store.RenameMacro(id, QStringLiteral("copy")));

    const int copy = m_store.AddMacroInfo(changed);
    ASSERT_GT(copy, id);
    std::vector<MacroInfo> list;
    ASSERT_EQ(m_store.ListMacros(list), 2);
    EXPECT_EQ(list[0].name, QStringLiteral("copy"));
    EXPECT_EQ(list[1].play_times, 5);
    EXPECT_FALSE(m_store.GetMacro(copy + 1, macro));
}

TEST_F(TablesTest, StepsComeBackSortedByRecordIndexWithTheirFields)
{
    const int id = m_store.AddMacro(QStringLiteral("m"));
    std::vector<MacroStep> steps;
    for (int index : { 3, 0, 2, 1 }) {
        MacroStep step;
        step.macro_id = id;
        step.type = 2 + index % 2;
        step.record_index = index;
        step.value = 4 + index;
        step.delay_time = 10 * index;
        step.desc = QStringLiteral("键%1").arg(index);
        steps.push_back(step);
    }
    ASSERT_TRUE(m_store.AddMacroSteps(steps));
    EXPECT_FALSE(m_store.InTransaction());
    std::vector<MacroStep> read;
    ASSERT_EQ(m_store.ListMacroSteps(id, read), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(read[i].macro_id, id);
        EXPECT_EQ(read[i].record_index, i);
        EXPECT_EQ(read[i].type, 2 + i % 2);
        EXPECT_EQ(read[i].value, 4 + i);
        EXPECT_EQ(read[i].delay_time, 10 * i);
        EXPECT_EQ(read[i].desc, QStringLiteral("键%1").arg(i));
    }
    MacroStep single = steps[0];
    single.record_index = -1;
    EXPECT_GT(m_store.AddMacroStep(single), 0);
    ASSERT_EQ(m_store.ListMacroSteps(id, read), 5);
    EXPECT_EQ(read[0].record_index, -1);
    EXPECT_TRUE(m_store.DeleteMacroSteps(id));
    EXPECT_EQ(m_store.ListMacroSteps(id, read), 0);
}

TEST_F(TablesTest, DeleteMacroRemovesItsStepsButNotTheButtonsNamingIt)
{
    const int keep = m_store.AddMacro(QStringLiteral("keep"));
    const int gone = m_store.AddMacro(QStringLiteral("gone"));
    for (int macro : { keep, gone })
        ASSERT_TRUE(m_store.AddMacroSteps({ MacroStep { 0, macro, 2, 0, 4, 10, {} }, MacroStep { 0, macro, 3, 1, 4, 10, {} } }));
    ASSERT_GT(m_store.SetKeyAssignment(Button(1, 5, gone, 5)), 0);
    EXPECT_TRUE(m_store.DeleteMacro(gone));
    std::vector<MacroStep> steps;
    EXPECT_EQ(m_store.ListMacroSteps(gone, steps), 0);
    EXPECT_EQ(m_store.ListMacroSteps(keep, steps), 2);
    MacroInfo macro;
    EXPECT_FALSE(m_store.GetMacro(gone, macro));
    KeyAssignment button;
    EXPECT_TRUE(m_store.GetKeyAssignment(1, 5, button));
}

TEST_F(TablesTest, LightingDefaultsAndActiveMode)
{
    EXPECT_EQ(m_store.CountLightModes(1), 0);
    EXPECT_EQ(m_store.GetActiveLightMode(1), 0);
    ASSERT_TRUE(m_store.AddDefaultLightModes(1));
    EXPECT_EQ(m_store.CountLightModes(1), 7);
    EXPECT_EQ(m_store.GetActiveLightMode(1), 3);
    EXPECT_EQ(m_store.CountLightModes(2), 0);

    std::vector<LightMode> modes;
    ASSERT_EQ(m_store.ListLightModes(1, modes), 7);
    const char16_t* names[] = { u"关闭", u"单色常亮", u"单色呼吸", u"光谱循环", u"流光", u"单色跑马", u"霓虹" };
    const int configFunc[] = { 0, 17, 19, 3, 3, 19, 3 };
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(modes[i].profile, 1);
        EXPECT_EQ(modes[i].mode, i);
        EXPECT_EQ(modes[i].name, QString::fromUtf16(names[i]));
        EXPECT_EQ(modes[i].brightness, 255);
        EXPECT_EQ(modes[i].speed, 128);
        EXPECT_EQ(modes[i].direction, 0);
        EXPECT_EQ(modes[i].colorful, 1);
        EXPECT_EQ(modes[i].colorindex, 0);
        EXPECT_EQ(modes[i].color_value, 255);
        EXPECT_EQ(modes[i].config_func, configFunc[i]);
        EXPECT_EQ(modes[i].reserved, 280 + i);
        EXPECT_EQ(modes[i].status, i == 3 ? 1 : 0);
    }
    // A second fill adds nothing.
    EXPECT_TRUE(m_store.AddDefaultLightModes(1));
    EXPECT_EQ(m_store.CountLightModes(1), 7);

    // A mode the profile does not have: success, and no mode is active.
    EXPECT_TRUE(m_store.SetActiveLightMode(1, 9));
    EXPECT_EQ(m_store.GetActiveLightMode(1), 0);
    LightMode missing;
    missing.name = QStringLiteral("untouched");
    EXPECT_FALSE(m_store.GetLightMode(1, 9, missing));
    EXPECT_EQ(missing.name, QStringLiteral("untouched"));
}

TEST_F(TablesTest, UpdateLightModeChangesParametersButNotNameOrStatus)
{
    ASSERT_TRUE(m_store.AddDefaultLightModes(2));
    LightMode values;
    values.name = QStringLiteral("ignored");
    values.status = 0;
    values.brightness = 10;
    values.speed = 20;
    values.direction = 1;
    values.colorful = 0;
    values.colorindex = 4;
    values.color_value = 0x00FF8040;
    values.config_func = 99;
    values.reserved = 300;
    EXPECT_TRUE(m_store.UpdateLightMode(2, 3, values));
    LightMode read;
    ASSERT_TRUE(m_store.GetLightMode(2, 3, read));
    EXPECT_EQ(read.name, QStringLiteral("光谱循环"));
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.brightness, 10);
    EXPECT_EQ(read.speed, 20);
    EXPECT_EQ(read.direction, 1);
    EXPECT_EQ(read.colorful, 0);
    EXPECT_EQ(read.colorindex, 4);
    EXPECT_EQ(read.color_value, 0x00FF8040);
    EXPECT_EQ(read.config_func, 99);
    EXPECT_EQ(read.reserved, 300);
    ASSERT_TRUE(m_store.GetLightMode(2, 4, read));
    EXPECT_EQ(read.brightness, 255); // other modes untouched
}

// Every operation on a store whose open failed: failure, no data, no crash.
TEST(UnconnectedStore, EveryOperationFailsQuietly)
{
    SettingsStore store;
    QString text = QStringLiteral("x");
    KeyAssignment key;
    key.macro_value = 1;
    MacroInfo macro;
    LightMode light;
    std::vector<NamedEntry> entries(2);
    std::vector<KeyAssignment> keys(2);
    std::vector<MacroInfo> macros(2);
    std::vector<MacroStep> steps(2);
    std::vector<LightMode> lights(2);

    EXPECT_FALSE(store.SetConfigValue(1, QStringLiteral("report_rate"), QStringLiteral("1")));
    EXPECT_FALSE(store.GetConfigValue(1, QStringLiteral("report_rate"), text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(store.GetConfigInt(1, QStringLiteral("report_rate")), 0);
    EXPECT_FALSE(store.InsertDefaultConfig(1));
    EXPECT_FALSE(store.ResetConfig(1));
    EXPECT_EQ(store.AddProfile(NamedEntry {}), 0);
    EXPECT_FALSE(store.RenameProfile(1, text));
    EXPECT_FALSE(store.GetProfileName(1, text));
    EXPECT_EQ(store.ListProfiles(entries), 0);
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(store.SetActiveProfile(1));
    EXPECT_EQ(store.GetActiveProfile(), 0);
    EXPECT_EQ(store.AddText(NamedEntry {}), 0);
    EXPECT_FALSE(store.DeleteText(1));
    EXPECT_FALSE(store.RenameText(1, text));
    EXPECT_FALSE(store.GetTextName(1, text));
    EXPECT_FALSE(store.SetTextContent(1, text));
    EXPECT_FALSE(store.GetTextContent(1, text));
    EXPECT_EQ(store.ListTexts(entries), 0);
    EXPECT_EQ(store.SetKeyAssignment(key), 0);
    EXPECT_FALSE(store.GetKeyAssignment(1, 1, key));
    EXPECT_FALSE(store.SetKeyDescription(1, 1, text));
    EXPECT_EQ(store.ListKeyAssignments(1, keys), 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(store.DeleteKeyAssignments(1));
    EXPECT_EQ(store.AddKeyOtherData(text, text, 9), 0);
    int type = 5;
    EXPECT_TRUE(store.GetKeyOtherData(1, text, text, type));
    EXPECT_EQ(type, 5);
    EXPECT_EQ(store.AddMacro(text), 0);
    EXPECT_EQ(store.AddMacroInfo(macro), 0);
    EXPECT_FALSE(store.RenameMacro(1, text));
    EXPECT_FALSE(store.UpdateMacro(1, macro));
    EXPECT_FALSE(store.GetMacro(1, macro));
    EXPECT_EQ(store.ListMacros(macros), 0);
    EXPECT_FALSE(store.DeleteMacro(1));
    EXPECT_EQ(store.AddMacroStep(MacroStep {}), 0);
    EXPECT_FALSE(store.AddMacroSteps(steps));
    EXPECT_EQ(store.ListMacroSteps(1, steps), 0);
    EXPECT_FALSE(store.DeleteMacroSteps(1));
    EXPECT_EQ(store.CountLightModes(1), 0);
    EXPECT_EQ(store.AddLightMode(light), 0);
    EXPECT_FALSE(store.UpdateLightMode(1, 1, light));
    EXPECT_FALSE(store.SetActiveLightMode(1, 1));
    EXPECT_EQ(store.GetActiveLightMode(1), 0);
    EXPECT_FALSE(store.GetLightMode(1, 1, light));
    EXPECT_EQ(store.ListLightModes(1, lights), 0);
    EXPECT_FALSE(store.AddDefaultLightModes(1));
}

} // namespace
