// The codecs a stream can carry, as its content type or its bytes name them.
#pragma once

// kVorbis, kOpus and kFlac name the codec of an Ogg stream (kFlac also a native
// FLAC stream).
enum class AudioCodec { kUnknown, kMp3, kAac, kVorbis, kOpus, kFlac };
