#!/usr/bin/env bash
# The test command's Windows stage: cross-builds the core, its tests and velmoraine-cli.exe with
# Debian's mingw-w64, runs the core tests under Wine, then runs every golden case of the
# command-line tool with velmoraine-cli.exe under Wine in place of the Linux build, so that the
# same expected bytes hold on both.
#
#   scripts/windows/test.sh   (after the release build: it reuses its cli_tests)
#
# The header-only libraries come from Debian's Linux packages through a folder of their own, so
# that no Linux system header reaches the cross build; GoogleTest is built from Debian's source.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root="$PWD"
out="$root/build/windows/test"
deps="$out/deps"
started=$SECONDS

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi

# --- The libraries the cross build takes -------------------------------------------------------
mkdir -p "$deps/include" "$deps/cmake/CLI11" "$deps/cmake/nlohmann_json"
ln -sfn /usr/include/CLI "$deps/include/CLI"
ln -sfn /usr/include/nlohmann "$deps/include/nlohmann"
for package in CLI11:CLI11::CLI11 nlohmann_json:nlohmann_json::nlohmann_json; do
  name="${package%%:*}"
  target="${package#*:}"
  cat > "$deps/cmake/$name/${name}Config.cmake" <<CONFIG
if(NOT TARGET $target)
  add_library($target INTERFACE IMPORTED)
  set_target_properties($target PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "$deps/include")
endif()
CONFIG
done
if [ ! -f "$deps/gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== GoogleTest for Windows"
  cmake -S /usr/src/googletest -B "$out/gtest-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$deps/gtest" \
    -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF "${launcher[@]}" > /dev/null
  cmake --build "$out/gtest-build" > /dev/null
  cmake --install "$out/gtest-build" > /dev/null
fi

# --- The core, its tests and the CLI for Windows -----------------------------------------------
echo "== Windows build (mingw-w64)"
cmake -S "$root" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DVELMORAINE_GUI=OFF -DVELMORAINE_BENCH=OFF -DVELMORAINE_TESTS=ON -DVELMORAINE_WERROR="$werror" \
  -DCLI11_DIR="$deps/cmake/CLI11" -Dnlohmann_json_DIR="$deps/cmake/nlohmann_json" \
  -DGTest_DIR="$deps/gtest/lib/cmake/GTest" -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
  -DCMAKE_EXE_LINKER_FLAGS="-static" "${launcher[@]}" > /dev/null
cmake --build "$out/build" -j 2

# --- Wine: a prefix of its own, made once ------------------------------------------------------
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Wine prefix"
  wineboot --init > /dev/null 2>&1
  wineserver -w
fi
wineserver -p 60 2> /dev/null || true # one server for every run below
# Wine's first program of a session starts its background services, which inherit that
# program's output and keep it open for as long as the server runs: ctest and the golden cases
# would wait for them. A first program of our own starts them, its output going nowhere.
wine cmd /c exit > /dev/null 2>&1 < /dev/null || true
trap 'wineserver -k 2> /dev/null || true' EXIT

echo "== core tests under Wine"
ctest --test-dir "$out/build" --output-on-failure -j 2

# --- The golden cases with velmoraine-cli.exe --------------------------------------------------
# A run's settings folder is the one the case gives (XDG_CONFIG_HOME on Linux); Wine sets
# %APPDATA% to its own user folder, so that folder is made to lead there for the run.
roaming="$(find "$WINEPREFIX"/drive_c/users -mindepth 3 -maxdepth 3 -path '*/AppData/Roaming' | head -n 1)"
wrapper="$out/velmoraine-cli-wine"
cat > "$wrapper" <<WRAPPER
#!/usr/bin/env bash
rm -rf "$roaming"
ln -s "\$XDG_CONFIG_HOME" "$roaming"
exec wine "$out/build/velmoraine-cli.exe" "\$@"
WRAPPER
chmod +x "$wrapper"
# One case is left out: it passes a byte that is no character (E9, Latin-1) as an argument. A
# Windows command line is UTF-16 and cannot hold one; Wine turns it into U+FFFD and takes the
# bytes after it too, so the case would test Wine.
echo "== golden cases with velmoraine-cli.exe under Wine"
VELMORAINE_CLI_UNDER_TEST="$wrapper" build/release/tests/cli/cli_tests \
  --gtest_filter='Cases/CliGolden.*:-Cases/CliGolden.MatchesExpectedBytes/suggest_latin1_json' --gtest_brief=1
rm -f "$roaming"
mkdir -p "$roaming"
echo "== Windows stage passed in $((SECONDS - started)) s"
