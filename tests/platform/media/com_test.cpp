// The object model: creation and its errors, and the sound filter's v-table slot.
#include "platform/media/com.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/media/dshow.h"
#include "platform/media/wqasoundfilter.h"

namespace {

using wq::media::ComPtr;

HRESULT Create(REFCLSID clsid, REFIID iid, void** out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

TEST(Com, CreationRefusesWhatItCannotMake) {
    void* p = reinterpret_cast<void*>(1);
    const CLSID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(unknown, IID_IUnknown, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_NOINTERFACE, Create(CLSID_FilterGraph, IID_IWQASoundFilter, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_POINTER, Create(CLSID_FilterGraph, IID_IUnknown, nullptr));
}

TEST(Com, SetSampleCallbackSitsInTheSixthSlotAndCopiesTheRecord) {
    ComPtr<IWQASoundFilter> ctrl;
    ASSERT_EQ(S_OK, Create(CLSID_WQASoundFilter, IID_IWQASoundFilter, ctrl.PutVoid()));
    int owner = 0;
    auto cb = +[](void*, short*, int, WAVEFORMATEX*) {};
    {
        SoundCallbackInfo onStack{&owner, cb};
        // Called through the sixth v-table entry, as code compiled against the
        // device's header calls it.
        using Slot = HRESULT (*)(IWQASoundFilter*, SoundCallbackInfo*);
        Slot sixth = (*reinterpret_cast<Slot**>(ctrl.Get()))[5];
        EXPECT_GE(sixth(ctrl.Get(), &onStack), 0);
        std::memset(&onStack, 0xAB, sizeof onStack);  // the caller's record is gone
    }
    SoundCallbackInfo back{};
    ASSERT_EQ(S_OK, ctrl->GetSampleCallback(&back));
    EXPECT_EQ(&owner, back.context);
    EXPECT_EQ(cb, back.callback);
}

}  // namespace
