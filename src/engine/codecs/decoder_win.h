// The system codecs behind MakeDecoder (decoder_mp3_win.cpp, decoder_aac_win.cpp).
#pragma once

#include <memory>

#include "engine/codecs/decoder_pipeline.h"

// Whether the system can decode MP3 (ACM) / AAC (Media Foundation) here.
bool Mp3DecoderWorks();
bool AacDecoderWorks();
std::unique_ptr<FrameCodec> MakeMp3Codec();
std::unique_ptr<FrameCodec> MakeAacCodec();

// The AAC plug-in switch (EngineLoadPlugin): AAC streams decode only when on.
void SetAacEnabled(bool enabled);
