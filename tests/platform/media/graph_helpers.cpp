#include "tests/platform/media/graph_helpers.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tests/platform/media/media_files.h"

namespace wqtest {

void Capture::Callback(void* context, short* samples, int bytes, WAVEFORMATEX* fmt) {
    auto* c = static_cast<Capture*>(context);
    const wq::media::BlockTiming timing = wq::media::CurrentBlockTiming();
    std::lock_guard<std::mutex> g(c->lock);
    c->threads.insert(std::this_thread::get_id());
    c->rate = static_cast<int>(fmt->nSamplesPerSec);
    c->channels = fmt->nChannels;
    const int frameBytes = 2 * fmt->nChannels;
    if (bytes % frameBytes != 0) ++c->bytesMisaligned;
    c->frames += bytes / frameBytes;
    ++c->blocks;
    c->blockTimes.push_back(timing.mediaTime);
    c->arrivals.emplace_back(timing, std::chrono::steady_clock::now());
    if (c->keepSamples) c->samples.insert(c->samples.end(), samples, samples + bytes / 2);
}

HRESULT Graph::Create() {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, builder.PutVoid());
    if (FAILED(hr)) return hr;
    builder->QueryInterface(IID_IMediaControl, control.PutVoid());
    builder->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
    builder->QueryInterface(IID_IBasicAudio, audio.PutVoid());
    return builder->QueryInterface(IID_IMediaEvent, events.PutVoid());
}

HRESULT Graph::Load(const std::string& name, Capture* capture) {
    HRESULT hr = Create();
    if (capture && SUCCEEDED(hr)) {
        hr = CoCreateInstance(CLSID_WQASoundFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.PutVoid());
        if (FAILED(hr)) return hr;
        builder->AddFilter(filter.Get(), u"WQASoundFilter");
        filter->QueryInterface(IID_IWQASoundFilter, filterCtrl.PutVoid());
        SoundCallbackInfo info{capture, &Capture::Callback};
        filterCtrl->SetSampleCallback(&info);
    }
    return FAILED(hr) ? hr : builder->RenderFile(DevicePath(name).c_str(), nullptr);
}

bool Graph::PlayToEnd(int ms) {
    control->Run();
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (events->GetEvent(&code, &p1, &p2, ms) == S_OK) {
        if (code == EC_COMPLETE) return true;
    }
    return false;
}

LONGLONG Graph::Duration() {
    LONGLONG d = -1;
    seeking->GetDuration(&d);
    return d;
}

LONGLONG Graph::Position() {
    LONGLONG p = -1;
    seeking->GetCurrentPosition(&p);
    return p;
}

static unsigned Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (unsigned(p[3]) << 24); }

std::vector<short> ReadCapturedWav(const std::string& path, std::string* why) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    auto fail = [&](const char* reason) {
        *why = reason;
        return std::vector<short>{};
    };
    if (bytes.size() < 44) return fail("shorter than a header");
    if (std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVEfmt ", 8) != 0)
        return fail("not a RIFF/WAVE file");
    if (Le32(&bytes[4]) != bytes.size() - 8) return fail("RIFF size does not match the file");
    if (Le32(&bytes[40]) != bytes.size() - 44) return fail("data size does not match the file");
    if (Le32(&bytes[24]) != 44100 || bytes[22] != 2 || bytes[34] != 16) return fail("not 44.1 kHz stereo 16-bit");
    std::vector<short> s((bytes.size() - 44) / 2);
    std::memcpy(s.data(), bytes.data() + 44, s.size() * 2);
    return s;
}

double Rms(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x * x;
    return v.empty() ? 0 : std::sqrt(sum / static_cast<double>(v.size()));
}

}  // namespace wqtest
