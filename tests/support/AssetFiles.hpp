// Every file the game reads from its working directory, with what the game does when it cannot read it.
#pragma once

namespace kv::testsupport {

enum class WhenUnreadable {
    EndsAtLoad, // the program ends during loading, naming the file
    EndsInPlay, // the program ends when a game starts, naming the file
    Silent,     // a sound: it plays nothing, says so, and the program carries on
    ReadsAsZero // the high score file: a high score of 0, and nothing is said
};

struct AssetFile {
    const char* path; // relative to the working directory
    WhenUnreadable outcome;
};

inline constexpr AssetFile kAssetFiles[] = {
    {"shaders/debug.vert", WhenUnreadable::EndsAtLoad},
    {"shaders/debug.frag", WhenUnreadable::EndsAtLoad},
    {"shaders/sprite.vert", WhenUnreadable::EndsAtLoad},
    {"shaders/sprite.frag", WhenUnreadable::EndsAtLoad},
    {"shaders/dist_text.vert", WhenUnreadable::EndsAtLoad},
    {"shaders/dist_text.frag", WhenUnreadable::EndsAtLoad},
    {"sprites/space_ship.png", WhenUnreadable::EndsAtLoad},
    {"sprites/WB_baseu3_d0.png", WhenUnreadable::EndsAtLoad},
    {"sprites/WB_base_d0.png", WhenUnreadable::EndsAtLoad},
    {"sprites/blueshuttlenoweps.png", WhenUnreadable::EndsAtLoad},
    {"sprites/bluecargoship.png", WhenUnreadable::EndsAtLoad},
    {"sprites/firebolt.png", WhenUnreadable::EndsAtLoad},
    {"sprites/player_ship_explosion.png", WhenUnreadable::EndsAtLoad},
    {"sprites/enemy1_explosion.png", WhenUnreadable::EndsAtLoad},
    {"sprites/dual_turret.png", WhenUnreadable::EndsInPlay},
    {"fonts/OpenSans-Regular.fnt", WhenUnreadable::EndsAtLoad},
    {"fonts/OpenSans-Regular_0.png", WhenUnreadable::EndsAtLoad},
    {"sounds/255716_varno12_silenced-pistol-layered-powerful.ogg", WhenUnreadable::Silent},
    {"sounds/94185_olm-tarr_explosion.ogg", WhenUnreadable::Silent},
    {"sounds/78457_delvo41_bum.ogg", WhenUnreadable::Silent},
    {"sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg", WhenUnreadable::Silent},
    {"HighScore.txt", WhenUnreadable::ReadsAsZero},
};

} // namespace kv::testsupport
