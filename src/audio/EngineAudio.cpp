#include "audio/EngineAudio.h"

#include "app/EngineApplication.h"
#include "audio/AudioSink.h"
#include "audio/SoundBuffers.h"
#include "audio/SoundFiles.h"
#include "audio/SoundStream.h"
#include "platform/EngineTimer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace valdmoor {

namespace {

enum TMusicState : int32_t {
    msSteady = 0,
    msFading = 1,
    msSwitch = 2,
};

struct TMusic {
    std::string name;
    std::string queued;
    TSource* current = nullptr;
    TSource* previous = nullptr;
    TSource* jingle = nullptr;
    TMusicState state = msSteady;
    float steady = 0; // seconds since the current track settled
    float fade = 0;   // cross-fade progress, 0 .. 1
    float duck = 0;   // how far the music is ducked under a jingle, 0 .. 1
    float jingleElapsed = 0;
    bool skipWait = false; // the queued track starts at the next update
};

struct TAudio {
    bool started = false;
    bool paused = false;
    bool deviceLost = false; // the device plays into nothing since
    std::unique_ptr<TSoundDevice> device;
    std::unique_ptr<TContainerOf<TSample>> samples;
    std::unique_ptr<TContainerOf<TSource>> sources;
    int32_t volumes[GroupCount] = {10, 10, 8};
    bool enabled[GroupCount] = {};
    TMusic music;
};

TAudio audio;

constexpr int32_t Levels[21] = {0,     -60,   -130,  -210,  -300,  -400,  -510,
                                -630,  -760,  -900,  -1050, -1210, -1380, -1560,
                                -1750, -1950, -2160, -2380, -2610, -2850, SilentLevel};
constexpr float MusicLevel = 0.75f;
constexpr float QueueWait = 15;
constexpr float JingleVolume = 0.875f;
constexpr int32_t InitialSources = 16;

int32_t ValidGroup(int32_t group) {
    return std::clamp(group, 0, GroupCount - 1);
}

TSource* NewManagedSource() {
    TSource* source = audio.sources->NewItem();
    source->SetManaged(true);
    return source;
}

void Release(TSource*& source) {
    if (source != nullptr) {
        source->Remove();
        source = nullptr;
    }
}

// Sound goes on into nothing at the game's pace: sources keep their time, one-shots end and
// return to the pool, and the groups stay as the player set them.
void CarryOnWithoutDevice() {
    if (std::exchange(audio.deviceLost, true)) {
        return;
    }
    audio.device->ReplaceLostSink();
    if (audio.paused) {
        audio.device->SetPaused(true);
    }
    LogMessage("Lost the sound device; the game goes on without sound");
}

void UpdateMusic(float frameTime) {
    TMusic& music = audio.music;
    if (music.jingle != nullptr) {
        if (music.jingle->Finished()) {
            Release(music.jingle);
        } else {
            music.jingleElapsed += frameTime;
        }
    }
    const bool ducking = music.jingle != nullptr && music.jingle->Sample() != nullptr &&
                         music.jingle->Sample()->Duration() - music.jingleElapsed > 1;
    music.duck = ducking ? std::min(1.0f, music.duck + 2 * frameTime)
                         : std::max(0.0f, music.duck - 0.5f * frameTime);
    const float level = MusicLevel * (1 - music.duck);

    // Also while a fade or a switch is under way, which would otherwise restart the wait.
    if (std::exchange(music.skipWait, false) && !music.queued.empty()) {
        PlayMusic(std::exchange(music.queued, std::string()));
    }

    if (music.state == msSteady && music.current != nullptr) {
        music.steady += frameTime;
        if (music.steady >= QueueWait && !music.queued.empty()) {
            PlayMusic(std::exchange(music.queued, std::string()));
        } else {
            music.current->SetVolume(level);
        }
    }
    if (music.state == msSwitch) {
        Release(music.previous);
        music.previous = std::exchange(music.current, nullptr);
        if (!music.name.empty()) {
            music.current = NewManagedSource();
            music.current->SetLooping(true);
            music.current->SetGroup(MusicGroup);
            music.current->SetVolume(0);
            music.current->SetSample(GetSample(music.name));
            music.current->SetPlaying(true);
        }
        music.steady = 0;
        music.fade = 0;
        music.state = msFading;
    }
    if (music.state == msFading) {
        music.fade += frameTime;
        if (music.fade >= 1) {
            music.fade = 1;
            music.state = msSteady;
            Release(music.previous);
        }
        if (music.previous != nullptr) {
            music.previous->SetVolume((1 - music.fade) * level);
        }
        if (music.current != nullptr) {
            music.current->SetVolume(music.fade * level);
        }
    }
}

} // namespace

TSample::TSample(std::string_view name, float volume)
    : TNamedItem(std::string(name)), volume_(volume) {
    Load();
}

TSample::~TSample() = default;

TSoundBuffer* TSample::Buffer() const {
    return stream_ != nullptr ? &stream_->Buffer() : buffer_.get();
}

void TSample::Load() {
    if (audio.device == nullptr) {
        return;
    }
    try {
        static constexpr std::pair<TStorageFolder, TFileKind> Places[] = {
            {sfOrdinary, fkOgg}, {sfOrdinary, fkWave}, {sfBranding, fkOgg}, {sfBranding, fkWave}};
        const auto place = std::find_if(std::begin(Places), std::end(Places), [&](auto& p) {
            return StorageExists(p.first, Name(), p.second);
        });
        if (place == std::end(Places)) {
            throw EngineError("Missing file");
        }
        folder_ = place->first;
        std::unique_ptr<TStream> file = StorageOpen(folder_, Name(), place->second);
        if (place->second == fkWave) {
            TLoadedSound sound = LoadWave(*audio.device, *file);
            buffer_ = std::move(sound.Buffer);
            duration_ = sound.Duration;
            return;
        }
        TOggDecoder decoder;
        decoder.Open(std::move(file));
        if (decoder.HasComment("STREAMING=YES")) {
            // The file is opened again for every playback.
            stream_ = TSoundStream::Create(*audio.device, decoder.Format());
            if (stream_ == nullptr) {
                throw EngineError("Failed to create secondary buffer");
            }
            streaming_ = true;
            duration_ = TSoundStream::BlockCount;
            return;
        }
        TLoadedSound sound = DecodeWholeOgg(*audio.device, decoder);
        buffer_ = std::move(sound.Buffer);
        duration_ = sound.Duration;
    } catch (const std::exception& error) {
        buffer_.reset();
        stream_.reset();
        streaming_ = false;
        duration_ = 0;
        LogMessage("Failed to load audio sample \"" + Name() + "\" (" + error.what() + ")");
    }
}

TSource::TSource() = default;
TSource::~TSource() = default;

void TSource::Attached() {
    volume_ = 1;
}

void TSource::Detached() {
    ReleaseSample();
    owner_ = nullptr;
    managed_ = false;
    looping_ = false;
    playing_ = false;
    group_ = 0;
}

void TSource::ReleaseSample() {
    if (buffer_ != nullptr) {
        buffer_->Stop();
    }
    if (stream_ != nullptr) {
        stream_->Close();
    }
    if (ownBuffer_ && sample_ != nullptr) {
        sample_->bufferInUse_ = false;
    }
    duplicate_.reset();
    ownStream_.reset();
    buffer_ = nullptr;
    stream_ = nullptr;
    ownBuffer_ = false;
    sample_ = nullptr;
}

void TSource::SetSample(TSample* sample) {
    ReleaseSample();
    sample_ = sample;
    if (sample == nullptr) {
        return;
    }
    if (sample->stream_ != nullptr) {
        if (!sample->bufferInUse_) {
            stream_ = sample->stream_.get();
            ownBuffer_ = true;
            sample->bufferInUse_ = true;
        } else {
            // A ring feeds one source; a second playback, such as the music restarting
            // while its old source still fades out, decodes the file again into its own.
            ownStream_ = TSoundStream::Create(*audio.device, sample->stream_->Format());
            stream_ = ownStream_.get();
        }
        buffer_ = stream_ != nullptr ? &stream_->Buffer() : nullptr;
    } else if (sample->buffer_ != nullptr) {
        if (!sample->bufferInUse_) {
            buffer_ = sample->buffer_.get();
            ownBuffer_ = true;
            sample->bufferInUse_ = true;
        } else {
            duplicate_ = audio.device->Duplicate(*sample->buffer_);
            buffer_ = duplicate_.get();
        }
    }
    ApplyVolume();
    if (buffer_ != nullptr) {
        buffer_->SetLooping(looping_ || stream_ != nullptr);
        buffer_->SetPosition(0);
    }
    if (stream_ != nullptr) {
        std::unique_ptr<TStream> file;
        try {
            file = StorageOpen(sample->folder_, sample->Name(), fkOgg);
        } catch (const EngineError&) {
            // The stream ends at once and the source stays silent.
        }
        stream_->Start(std::move(file));
    }
}

void TSource::SetLooping(bool looping) {
    looping_ = looping;
    if (buffer_ != nullptr && stream_ == nullptr) {
        buffer_->SetLooping(looping);
    }
}

void TSource::SetGroup(int32_t group) {
    group_ = ValidGroup(group);
    ApplyVolume();
}

void TSource::SetVolume(float volume) {
    volume_ = volume > 0 ? std::min(volume, 1.0f) : 0.0f;
    ApplyVolume();
}

void TSource::SetPlaying(bool playing) {
    playing_ = playing;
    if (playing) {
        Start();
    } else if (buffer_ != nullptr) {
        buffer_->Stop();
    }
}

void TSource::Remove() {
    RemoveSelf();
}

void TSource::Service(float frameTime) {
    if (stream_ != nullptr) {
        stream_->Service(frameTime);
    }
}

int32_t TSource::Level() const {
    return buffer_ != nullptr ? buffer_->Volume() : SilentLevel;
}

bool TSource::Finished() const {
    return buffer_ == nullptr || !buffer_->Playing();
}

void TSource::ApplyVolume() {
    if (buffer_ == nullptr) {
        return;
    }
    const float sampleVolume = sample_ != nullptr ? sample_->Volume() : 1.0f;
    buffer_->SetVolume(
        VolumeLevel(static_cast<float>(audio.volumes[group_]) * 0.1f * volume_ * sampleVolume));
}

void TSource::Start() {
    // A stream that could not be opened stays silent.
    if (buffer_ == nullptr || (stream_ != nullptr && !stream_->Open())) {
        return;
    }
    buffer_->Play(looping_ || stream_ != nullptr);
}

void AudioStart() {
    AudioStop();
    audio.started = true;
    if (!SwitchNoSound()) {
        try {
            audio.device = std::make_unique<TSoundDevice>(SwitchHeadless() ? CreateNullSink()
                                                                           : CreateSdlSink());
        } catch (const EngineError& error) {
            // The game goes on without sound.
            LogMessage(error.what());
        }
    }
    audio.samples = std::make_unique<TContainerOf<TSample>>(true, true);
    audio.sources =
        std::make_unique<TContainerOf<TSource>>(false, TCache::Build<TSource>, InitialSources);
    for (int32_t group = 0; group < GroupCount; ++group) {
        audio.enabled[group] = audio.device != nullptr && audio.volumes[group] > 0;
    }
}

void AudioStop() {
    audio.music = TMusic{};
    // Sources give their buffers back to the samples, and every buffer goes before the device.
    audio.sources.reset();
    audio.samples.reset();
    audio.device.reset();
    audio = TAudio{};
}

void AudioUpdate() {
    if (!audio.started || audio.paused) {
        return;
    }
    const float frameTime = FrameTime();
    if (audio.device != nullptr) {
        audio.device->Sync(frameTime);
        if (audio.device->Lost()) {
            CarryOnWithoutDevice();
        }
    }
    if (std::find(std::begin(audio.enabled), std::end(audio.enabled), true) !=
        std::end(audio.enabled)) {
        for (TSource& source : *audio.sources) {
            source.Service(frameTime);
            // A looping sound stopped because its group is muted waits for the group to
            // come back; only sounds that really ended go back to the pool.
            const bool waiting = source.Looping() && !audio.enabled[source.Group()];
            if (!source.Managed() && source.Finished() && !waiting) {
                source.Remove();
            }
        }
    }
    if (audio.enabled[MusicGroup]) {
        UpdateMusic(frameTime);
    } else if (!audio.music.queued.empty()) {
        PlayMusic(std::exchange(audio.music.queued, std::string()));
    }
    audio.music.skipWait = false;
}

void AudioDeviceLost(uint32_t which) {
    if (audio.device != nullptr && audio.device->Lost(which)) {
        CarryOnWithoutDevice();
    }
}

void AudioPause() {
    if (!audio.started || audio.paused) {
        return;
    }
    audio.paused = true;
    for (TSource& source : *audio.sources) {
        if (source.Buffer() != nullptr && source.Buffer()->Playing()) {
            source.Buffer()->Stop();
        }
    }
    if (audio.device != nullptr) {
        audio.device->SetPaused(true);
    }
}

void AudioResume() {
    if (!audio.paused) {
        return;
    }
    audio.paused = false;
    if (audio.device != nullptr) {
        audio.device->SetPaused(false);
    }
    for (TSource& source : *audio.sources) {
        if (source.Sample() != nullptr && source.Playing() && audio.enabled[source.Group()]) {
            source.SetPlaying(true);
        }
    }
}

TSample* GetSample(std::string_view name, float volume) {
    if (audio.samples == nullptr) {
        return nullptr;
    }
    if (TSample* sample = audio.samples->Find(name)) {
        return sample;
    }
    return audio.samples->Add(std::make_unique<TSample>(name, volume), true);
}

TSource* PlaySample(const void* owner, TSample* sample, bool looping, int32_t group) {
    group = ValidGroup(group);
    if (audio.sources == nullptr || (!looping && !audio.enabled[group])) {
        return nullptr;
    }
    TSource* source = audio.sources->NewItem();
    source->SetOwner(owner);
    source->SetLooping(looping);
    source->SetGroup(group);
    source->SetSample(sample);
    source->SetPlaying(true);
    return source;
}

TSource* PlaySound(const void* owner, std::string_view name, bool looping, int32_t group) {
    // A one-shot in a muted group does not even load its sample. Groups out of range are
    // taken as the nearest, as PlaySample does.
    if (name.empty() || audio.sources == nullptr ||
        (!looping && !audio.enabled[ValidGroup(group)])) {
        return nullptr;
    }
    return PlaySample(owner, GetSample(name), looping, group);
}

void StopSoundsOf(const void* owner) {
    if (audio.sources == nullptr) {
        return;
    }
    for (TSource& source : *audio.sources) {
        if (!source.Managed() && source.Owner() == owner) {
            source.Remove();
        }
    }
}

void PlayKeyClick() {
    PlaySound(nullptr, "G8InputKey", false, 0);
}

void SetGroupVolume(int32_t group, int32_t volume) {
    if (group < 0 || group >= GroupCount) {
        return;
    }
    volume = std::clamp(volume, 0, 10);
    const int32_t old = audio.volumes[group];
    if (volume == old) {
        return;
    }
    audio.volumes[group] = volume;
    audio.enabled[group] = audio.device != nullptr && volume > 0;
    if (group == MusicGroup && volume == 0) {
        // The current track starts again from its beginning once music is back.
        audio.music.state = msSwitch;
    }
    if (audio.sources == nullptr) {
        return;
    }
    for (TSource& source : *audio.sources) {
        if (source.Group() != group || source.Sample() == nullptr) {
            continue;
        }
        if (volume > 0) {
            source.SetVolume(source.Volume());
            if (old == 0 && source.Playing()) {
                source.SetPlaying(true);
            }
        } else if (source.Managed() || source.Looping()) {
            if (source.Buffer() != nullptr) {
                source.Buffer()->Stop();
            }
        } else {
            source.Remove();
        }
    }
}

int32_t GroupVolume(int32_t group) {
    return group >= 0 && group < GroupCount ? audio.volumes[group] : 0;
}

bool GroupEnabled(int32_t group) {
    return group >= 0 && group < GroupCount && audio.enabled[group];
}

int32_t VolumeLevel(float volume) {
    const float v = volume > 0 ? std::min(volume, 1.0f) : 0.0f;
    return Levels[20 - static_cast<int32_t>(std::nearbyint(20 * v))];
}

void PlayMusic(std::string_view name) {
    if (name == audio.music.name) {
        return;
    }
    audio.music.name = name;
    audio.music.state = msSwitch;
}

void QueueMusic(std::string_view name) {
    if (audio.music.name.empty()) {
        PlayMusic(name);
    } else if (name == audio.music.name) {
        audio.music.queued.clear();
    } else {
        audio.music.queued = name;
    }
}

const std::string& CurrentMusicName() {
    return audio.music.name;
}

void SkipMusicWait() {
    audio.music.skipWait = true;
}

void PlayJingle(std::string_view name) {
    if (audio.sources == nullptr) {
        return;
    }
    TMusic& music = audio.music;
    if (name.empty() || !audio.enabled[MusicGroup]) {
        Release(music.jingle);
        return;
    }
    if (music.jingle == nullptr) {
        music.jingle = NewManagedSource();
    }
    music.jingle->SetLooping(false);
    music.jingle->SetGroup(MusicGroup);
    music.jingle->SetVolume(JingleVolume);
    music.jingle->SetSample(GetSample(name));
    music.jingle->SetPlaying(true);
    music.jingleElapsed = 0;
}

bool AudioDevicePresent() {
    return audio.device != nullptr;
}

const TContainerOf<TSource>* AudioSources() {
    return audio.sources.get();
}

void AudioCaptureTo(std::vector<int16_t>* target) {
    if (audio.device != nullptr) {
        audio.device->Sink().CaptureTo(target);
    }
}

int32_t AudioRate() {
    return audio.device != nullptr ? audio.device->Rate() : 0;
}

} // namespace valdmoor
