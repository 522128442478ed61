#pragma once

namespace kevaro {

// Which voice gives way when every voice sounds and a new note comes, first to last: one that
// ended, one fading out, one nobody holds, one a player still holds, and a looped one last, as
// it would sound for ever. Among equals the one that has sounded longest goes.
enum class VoiceRank { Ended, Fading, LetGo, Held, Looped, Count };

inline VoiceRank voiceRank(bool ended, bool fading, bool looped, bool held)
{
    if (ended)
        return VoiceRank::Ended;
    if (fading)
        return VoiceRank::Fading;
    if (looped)
        return VoiceRank::Looped;
    return held ? VoiceRank::Held : VoiceRank::LetGo;
}

} // namespace kevaro
