// The best score, kept between runs in "HighScore.txt" in the working directory as "HighScore=<int>".
#pragma once

namespace kv {

// Reads the file into playerHighScore and returns it; a missing or malformed file leaves it unchanged
// (a key followed by no number stores 0). Never throws.
int loadHighScore();

// When playerScore beats playerHighScore, raises it and rewrites the file. The new content goes to a
// temporary file in the same directory first and is renamed over the old one, so a crash while writing
// leaves either the old or the new score, never a partial file. Write failures are silent.
void maybeUpdateHighScore();

} // namespace kv
