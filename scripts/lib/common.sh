# Shared by scripts/run, scripts/test and friends: install what is missing, then build.
# Sourced, not run.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Debian packages the build, the tests and the app need.
MARLVANE_PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qcoro-qt6-dev libgl-dev
    libgtest-dev libgmock-dev
    fonts-noto-cjk qt6-translations-l10n
    xvfb xauth xterm zsh dash
    appstream desktop-file-utils python3 python3-jsonschema
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# The Codex CLI, installed into the project's own folder when it is not on PATH already.
CODEX_PREFIX="$ROOT/.deps/codex"
install_codex_cli() {
    if command -v codex >/dev/null 2>&1; then
        return 0
    fi
    # npm may come from Debian or from a Node.js installed another way: only ask for Debian's
    # when there is none at all.
    if ! command -v npm >/dev/null 2>&1; then
        install_missing_packages nodejs npm
    fi
    if [ ! -x "$CODEX_PREFIX/node_modules/.bin/codex" ]; then
        echo "Installing the Codex CLI (npm @openai/codex) into .deps/codex"
        mkdir -p "$CODEX_PREFIX"
        if ! npm install --silent --no-audit --no-fund --prefix "$CODEX_PREFIX" @openai/codex >/dev/null 2>&1; then
            echo "warning: could not install the Codex CLI; tests that need it will be skipped" >&2
            return 0
        fi
    fi
    export PATH="$CODEX_PREFIX/node_modules/.bin:$PATH"
}

# build <dir> <cmake args...>   (MARLVANE_BUILD_TYPE picks the build type, RelWithDebInfo by default)
build() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE="${MARLVANE_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
