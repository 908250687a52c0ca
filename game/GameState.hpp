// State that the shooter's parts share at namespace scope: scores, notices, HUD labels, tags and tag sets.
#pragma once

#include <memory>
#include <set>
#include <string>

#include <glm/vec4.hpp>

#include "engine/core/Scene.hpp"

namespace kv {

class GlLabel;

// Entity tags of the shooter (0 is implicit on every entity).
enum GameTag : int {
    kTagPlayer = 1,
    kTagPlayerProjectile = 3,
    kTagBlast = 7,
    kTagEnemy = 11,
    kTagWaveDirector = 12,
    kTagDiverBullet = 13,
    kTagSwarmer = 14,
    kTagDiver = 15,
    kTagMothership = 16,
    kTagRetired = kRetiredTag, // the engine's: deleted by the end-of-frame sweep once inactive
};

extern bool mainMenuActive;
extern float deadTime; // seconds since the player ship was last seen active
extern bool showEscapeLabel;
extern bool showNewHighScore;
extern int playerScore;
extern int playerHighScore;
extern int shIndex; // number of the last screenshot taken in this run

extern std::shared_ptr<GlLabel> pressEscapeLabel;
extern std::shared_ptr<GlLabel> newHighscoreLabel;
extern std::shared_ptr<GlLabel> highScoreStaticLabel;
extern std::shared_ptr<GlLabel> highScoreLabel;
extern const glm::vec4 scoreColor;

// Collision components keep a reference to their target set, so these live for the whole program.
extern const std::set<int> enemyTargetTags;
extern const std::set<int> bulletTargetTags;
extern const std::set<int> shockwaveTargetTags;
extern const std::set<int> mineTargetTags;
extern const std::set<int> activeMineTargetTags;

extern const std::string highScoreFileName;
extern const std::string highScoreTag;

} // namespace kv
