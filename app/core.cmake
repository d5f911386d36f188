# The matcher and the key repeat: plain C++, no Qt.
