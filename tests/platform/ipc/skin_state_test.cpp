// Automation against a real skinned window: taps and drags reach the skin's
// buttons, sliders and list as pen input would, and the state lists rows,
// colours, selection, slider position and button pictures.
#include <gtest/gtest.h>

#include "platform/ipc/json.h"
#include "platform/ipc/skin_state.h"
#include "platform/ipc/win_automation.h"
#include "tests/platform/skin/skinfixture.h"

namespace wq::ipc::test {
namespace {

constexpr const char* kTemplate =
    "wqskin 1\n"
    "face 200 120\n"
    "background img\\bg.bmp\n"
    "button 100 10 10 30 20 normal=img\\n.bmp pressed=img\\p.bmp\n"
    "slider 200 horizontal 10 40 110 10 thumb=img\\thumb.bmp\n"
    "list 300 10 60 100 57 rowheight=19\n"
    "custom 400 130 60 40 30\n";

class SkinStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        root.Write("skin/img/bg.bmp", skintest::SolidBmp(200, 120, 0x202020));
        root.Write("skin/img/n.bmp", skintest::SolidBmp(30, 20, 0x00C000));
        root.Write("skin/img/p.bmp", skintest::SolidBmp(30, 20, 0x0000C0));
        root.Write("skin/img/thumb.bmp", skintest::SolidBmp(10, 10, 0xC0C0C0));
        root.Write("skin/test.tpl", kTemplate);
        ASSERT_TRUE(owner.CreateOwner(200, 120));
        SetWindowTextW(owner.m_hWnd, u"WQAudio");
        owner.skin = std::make_unique<CSkinManager>(&owner);
        ASSERT_TRUE(owner.skin->Load(u"\\skin\\test.tpl"));
        SetControlLister([this](HWND h) {
            return h == owner.m_hWnd ? ListSkinControls(*owner.skin) : std::vector<ControlState>{};
        });
        wq::win::PumpPending();
    }
    void TearDown() override { SetControlLister(nullptr); }

    wq::win::TestSession session;
    skintest::TempRoot root;
    skintest::OwnerWnd owner;
    WinAutomation automation;
};

TEST_F(SkinStateTest, TapsAndDragsActLikeAFinger) {
    ASSERT_TRUE(automation.Tap(u"wqaudio", POINT{20, 15}));
    ASSERT_EQ(owner.commands.size(), 1u);
    EXPECT_EQ(owner.commands[0], (skintest::Command{100, 0}));
    owner.commands.clear();

    ASSERT_TRUE(automation.Drag(u"WQAudio", POINT{14, 45}, POINT{110, 45}));
    ASSERT_FALSE(owner.commands.empty());
    EXPECT_EQ(owner.commands.front(), (skintest::Command{200, 200}));  // dragging
    EXPECT_EQ(owner.commands.back(), (skintest::Command{200, 100}));   // set at the pen's release
    EXPECT_GT(owner.skin->GetSlider(200)->GetPos(), 50);
    EXPECT_FALSE(automation.Tap(u"WQVol", POINT{1, 1}));
}

TEST_F(SkinStateTest, StateDescribesRowsSelectionSliderAndButtons) {
    CSkinListBox* list = owner.skin->GetList(300);
    ASSERT_NE(list, nullptr);
    list->AddString(u"[..]");
    list->AddString(u"Simon & \"Garfunkel\"");
    list->AddString(u"노래.mp3");
    list->SetItemColor(2, RGB(255, 0, 0));
    list->SetCurSel(1);
    owner.skin->GetSlider(200)->SetPos(40);

    const std::string json = automation.State(u"WQAudio");
    auto has = [&](const std::string& part) { return json.find(part) != std::string::npos; };
    EXPECT_TRUE(has(R"("name":"WQAudio","id":0,)")) << json;
    EXPECT_TRUE(has(R"({"text":"Simon & \"Garfunkel\"","color":)")) << json;
    EXPECT_TRUE(has(R"({"text":"노래.mp3","color":"#ff0000"}],"selection":1)")) << json;
    EXPECT_TRUE(has(R"("id":300,)")) << json;
    EXPECT_TRUE(has(R"({"id":100,"kind":"button","rect":[10,10,40,30],"picture":"img\\n.bmp"})")) << json;
    EXPECT_TRUE(has(R"({"id":200,"kind":"slider","rect":[10,40,120,50],"pos":40})")) << json;
    EXPECT_TRUE(has(R"({"id":400,"kind":"custom","rect":[130,60,170,90]})")) << json;
    EXPECT_EQ(automation.State(u"nothing"), "");
    // The picture is the button's current face, as the player swaps Play and Pause.
    owner.skin->GetButton(100)->SetSkinBitmap(u"img\\p.bmp", 0);
    EXPECT_NE(automation.State(u"WQAudio").find(R"("id":100,"kind":"button","rect":[10,10,40,30],"picture":"img\\p.bmp")"),
              std::string::npos);
}

TEST(JsonWriter, NestsSeparatesAndEscapes) {
    JsonWriter j;
    j.BeginObject().Key("a").BeginArray().Value(1).Value(-2).BeginObject().EndObject().EndArray();
    j.Key("s").Value("q\"\\\n\x01").Key("u").Value(std::u16string_view(u"\xD800x\xDC80 한")).Key("b").Value(true);
    j.EndObject();
    EXPECT_EQ(j.str(), "{\"a\":[1,-2,{}],\"s\":\"q\\\"\\\\\\n\\u0001\",\"u\":\"\xEF\xBF\xBDx\xEF\xBF\xBD \xED\x95\x9C\","
                       "\"b\":true}");
}

}  // namespace
}  // namespace wq::ipc::test
