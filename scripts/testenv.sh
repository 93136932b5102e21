# Environment shared by scripts/test and scripts/bench: a private runtime folder, the web
# engine without sandbox or GPU, and no traffic to outside services.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR_FOR_TESTS:-$(mktemp -d /tmp/hopwise-xdg.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu --disable-background-networking --disable-component-update --disable-sync --no-first-run"
export QT_QPA_PLATFORM=xcb
# The tests draw on Xvfb: a Wayland session around them must not send their screenshots to its
# desktop portal.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
export QT_LOGGING_RULES="qt.webenginecontext.info=false;qt.multimedia.*=false"
export HOME_FOR_TESTS=$(mktemp -d /tmp/hopwise-home.XXXXXX)
export XDG_DATA_HOME=$HOME_FOR_TESTS/data XDG_CONFIG_HOME=$HOME_FOR_TESTS/config XDG_CACHE_HOME=$HOME_FOR_TESTS/cache
