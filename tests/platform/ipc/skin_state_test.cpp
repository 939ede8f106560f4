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

class SkinStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto [face, w, h] : std::initializer_list<std::tuple<const char*, int, int>>{
                 {"bg", 200, 120}, {"n", 30, 20}, {"p", 30, 20}, {"thumb", 10, 10}})
            root.Write(std::string("skin/img/") + face + ".bmp", skintest::SolidBmp(w, h, 0x00C000));
        root.Write("skin/test.tpl",
                   "wqskin 1\nface 200 120\nbackground img\\bg.bmp\n"
                   "button 100 10 10 30 20 normal=img\\n.bmp pressed=img\\p.bmp\n"
                   "slider 200 horizontal 10 40 110 10 thumb=img\\thumb.bmp\n"
                   "list 300 10 60 100 57 rowheight=19\n"
                   "custom 400 130 60 40 30\n");
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
    EXPECT_EQ(owner.commands, (std::vector<skintest::Command>{{100, 0}}));
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
    for (const char16_t* row : {u"[..]", u"Simon & \"Garfunkel\"", u"노래.mp3"}) list->AddString(row);
    list->SetItemColor(2, RGB(255, 0, 0));
    list->SetCurSel(1);
    owner.skin->GetSlider(200)->SetPos(40);
    const std::string json = automation.State(u"WQAudio");
    for (const char* part : {R"("name":"WQAudio","id":0,)", R"({"text":"Simon & \"Garfunkel\"","color":)",
                             R"({"text":"노래.mp3","color":"#ff0000"}],"selection":1)", R"("id":300,)",
                             R"({"id":100,"kind":"button","rect":[10,10,40,30],"picture":"img\\n.bmp"})",
                             R"({"id":200,"kind":"slider","rect":[10,40,120,50],"pos":40})",
                             R"({"id":400,"kind":"custom","rect":[130,60,170,90]})"})
        EXPECT_NE(json.find(part), std::string::npos) << part << " in " << json;
    EXPECT_EQ(automation.State(u"nothing"), "");
    // The picture is the button's current face, as the player swaps Play and Pause.
    owner.skin->GetButton(100)->SetSkinBitmap(u"img\\p.bmp", 0);
    EXPECT_NE(automation.State(u"WQAudio").find(R"("id":100,"kind":"button","rect":[10,10,40,30],"picture":"img\\p.bmp")"),
              std::string::npos);
}

TEST(JsonWriter, NestsSeparatesAndEscapesBadText) {
    JsonWriter j;
    j.BeginObject().Key("a").BeginArray().Value(1).Value(-2).BeginObject().EndObject().EndArray();
    j.Key("s").Value("q\"\\\n\x01").Key("u").Value(std::u16string_view(u"\xD800x\xDC80 한")).Key("b").Value(true).EndObject();
    EXPECT_EQ(j.str(), "{\"a\":[1,-2,{}],\"s\":\"q\\\"\\\\\\n\\u0001\",\"u\":\"\xEF\xBF\xBDx\xEF\xBF\xBD \xED\x95\x9C\",\"b\":true}");
}

}  // namespace
}  // namespace wq::ipc::test
