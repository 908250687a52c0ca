#include "game/GameState.hpp"

namespace kv {

bool mainMenuActive = true;
float deadTime = 0.0f;
bool showEscapeLabel = false;
bool showNewHighScore = false;
int playerScore = 0;
int playerHighScore = 0;
int shIndex = 0;

std::shared_ptr<GlLabel> pressEscapeLabel;
std::shared_ptr<GlLabel> newHighscoreLabel;
std::shared_ptr<GlLabel> highScoreStaticLabel;
std::shared_ptr<GlLabel> highScoreLabel;
const glm::vec4 scoreColor(1.0f, 1.0f, 0.3f, 1.0f); // light yellow

const std::set<int> enemyTargetTags{kTagPlayer};
const std::set<int> bulletTargetTags{kTagEnemy};
const std::set<int> shockwaveTargetTags{kTagEnemy, kTagDiverBullet};
const std::set<int> mineTargetTags{kTagBlast, kTagEnemy};
const std::set<int> activeMineTargetTags{kTagPlayerProjectile, kTagBlast, kTagEnemy};

const std::string highScoreFileName = "HighScore.txt";
const std::string highScoreTag = "HighScore";

} // namespace kv
