// Samples, sources, volume groups and music. A sample is a sound loaded once by name and kept
// for the run; a source is one playing instance of it, recycled through a pool. Sources belong
// to one of three volume groups (0 to 10 each); group 2 is the music, with one current track,
// one-second cross-fades, a queued next track and ducking under jingles. Without a device
// ("-nosound", or none could be opened) everything still works and makes no sound.
#pragma once

#include "app/EngineClasses.h"
#include "storage/EngineStorage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

class TSoundBuffer;
class TSoundStream;

constexpr int32_t GroupCount = 3;
constexpr int32_t MusicGroup = 2;

// A sound found by name: "<name>.ogg" or "<name>.wav" in Ordinary, then in Branding. One that
// fails to load is logged and plays as silence.
class TSample : public TNamedItem {
public:
    // Loads the sound (with a device); a failure is logged and leaves the sample silent.
    TSample(std::string_view name, float volume);
    ~TSample() override;

    float Volume() const { return volume_; }
    // Seconds; a streamed sample reports its ring's six.
    float Duration() const { return duration_; }
    // An Ogg file with the comment "STREAMING=YES": played from its file while it sounds.
    bool Streaming() const { return streaming_; }
    TStorageFolder Folder() const { return folder_; }
    // The sample's own buffer (a streamed sample's ring); nil when it did not load.
    TSoundBuffer* Buffer() const;
    bool BufferInUse() const { return bufferInUse_; }

private:
    friend class TSource;
    void Load();

    float volume_;
    float duration_ = 0;
    bool streaming_ = false;
    bool bufferInUse_ = false;
    TStorageFolder folder_ = sfOrdinary;
    std::unique_ptr<TSoundBuffer> buffer_;
    std::unique_ptr<TSoundStream> stream_;
};

// One playing instance of a sample, taken from the source pool; removing it returns it.
class TSource : public TItem {
public:
    TSource();
    ~TSource() override;

    // Taken from the pool: full volume.
    void Attached() override;
    // Back to the pool: no owner, sample, buffer or stream; not looping, group 0.
    void Detached() override;

    // Stops, lets go of the old sample, then takes the new sample's own buffer when it is
    // free, else a duplicate of it; a streamed sample whose ring is busy gets a ring of its
    // own. Rewinds to the start.
    void SetSample(TSample* sample);
    void SetLooping(bool looping);
    void SetGroup(int32_t group);
    // 0 .. 1.
    void SetVolume(float volume);
    void SetPlaying(bool playing);
    // Stops and returns the source to the pool.
    void Remove();
    void SetOwner(const void* owner) { owner_ = owner; }
    // Held by the music or jingle logic: never removed by the update or StopSoundsOf.
    void SetManaged(bool managed) { managed_ = managed; }
    // Once per frame: refills a streamed sample's ring.
    void Service(float frameTime);

    TSample* Sample() const { return sample_; }
    bool Looping() const { return looping_; }
    int32_t Group() const { return group_; }
    float Volume() const { return volume_; }
    bool Playing() const { return playing_; }
    bool Managed() const { return managed_; }
    const void* Owner() const { return owner_; }
    TSoundBuffer* Buffer() const { return buffer_; }
    // The ring feeding a streamed sample's buffer; nil for other sources.
    const TSoundStream* Stream() const { return stream_; }
    // The buffer's level in hundredths of a decibel; silent without a buffer.
    int32_t Level() const;
    // No buffer, or the buffer has stopped.
    bool Finished() const;

private:
    void ReleaseSample();
    void ApplyVolume();
    void Start();

    const void* owner_ = nullptr;
    bool managed_ = false;
    bool ownBuffer_ = false;
    bool looping_ = false;
    bool playing_ = false;
    int32_t group_ = 0;
    float volume_ = 1;
    TSample* sample_ = nullptr;
    TSoundBuffer* buffer_ = nullptr;
    TSoundStream* stream_ = nullptr;
    std::unique_ptr<TSoundBuffer> duplicate_;
    std::unique_ptr<TSoundStream> ownStream_;
};

// Start-up: a device unless "-nosound" (the null sink when headless, else SDL's; a device that
// cannot be opened is logged and the game runs silently), the sample list, the source pool, and
// the group volumes 10, 10, 8. Stop accepts audio that never started.
void AudioStart();
void AudioStop();
// Once per frame: refills streams, returns finished sources, runs the music. The mixing is
// done by the device as it plays (the null sink plays the frame's time here).
void AudioUpdate();
// The game loses / regains the focus: sources stop and start again where they were.
void AudioPause();
void AudioResume();
// SDL reported the audio device Which removed (SDL_AUDIODEVICEREMOVED, not a capture device).
// When it is the one sound goes to, the game goes on without sound: sources keep their time
// and one-shots still end. The update also notices a lost device by itself, a frame later.
void AudioDeviceLost(uint32_t which);

// The sample of that name, loaded on first use with the volume factor Volume; nil before
// start-up.
TSample* GetSample(std::string_view name, float volume = 1.0f);
// Starts Name once or looping in Group. Nothing for an empty name, nor for a one-shot in a
// disabled group; a looping sound is made anyway so that it sounds once the group is enabled.
TSource* PlaySound(const void* owner, std::string_view name, bool looping, int32_t group);
TSource* PlaySample(const void* owner, TSample* sample, bool looping, int32_t group);
// Removes every source of Owner that the music does not hold.
void StopSoundsOf(const void* owner);
// The key click of text entry: "G8InputKey" once in group 0.
void PlayKeyClick();

// 0 .. 10; a group is enabled when there is a device and its volume is above 0.
void SetGroupVolume(int32_t group, int32_t volume);
int32_t GroupVolume(int32_t group);
bool GroupEnabled(int32_t group);
// The level in hundredths of a decibel for a linear volume 0 .. 1: 21 steps, the last silent.
int32_t VolumeLevel(float volume);

// Cross-fades to the track Name in one second, unless it is already current; an empty name
// fades the music out.
void PlayMusic(std::string_view name);
// Plays Name at once when no music is current, forgets the queue when Name is current, and
// otherwise lets Name follow 15 seconds after the current track settled.
void QueueMusic(std::string_view name);
const std::string& CurrentMusicName();
// A queued track starts at the next update.
void SkipMusicWait();
// Plays Name once over the music, which ducks while more than a second of it remains; an
// empty name, or disabled music, stops the jingle.
void PlayJingle(std::string_view name);

// For tests and tools.
bool AudioDevicePresent();
// The source pool; nil before start-up.
const TContainerOf<TSource>* AudioSources();
// With the null sink, every frame played from now on is appended to Target (interleaved
// stereo at the device's rate); nil stops.
void AudioCaptureTo(std::vector<int16_t>* target);
int32_t AudioRate();

} // namespace valdmoor
