#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quillory (installs what is missing), builds it, then
#   ./dev.sh run [FILE]   starts the editor, optionally with a file
#   ./dev.sh test         runs every test headless
#   ./dev.sh sanitize     runs every test headless under AddressSanitizer and
#                         UndefinedBehaviorSanitizer, built in build-sanitize/
#   ./dev.sh format-check checks every tracked C++ file against .clang-format (clang-format-14);
#                         it changes nothing and lists the files that differ
#   ./dev.sh tidy         runs clang-tidy-14 with .clang-tidy over every translation unit of the build
#                         folder's compile database, in parallel; any finding fails it
#   ./dev.sh package      builds the Debian package quillory_VERSION_amd64.deb here, from a
#                         release build in build-package/ (no tests, no benchmarks)
#   ./dev.sh fuzz [TARGET] [SECONDS]
#                         runs a fuzz target of fuzz/ (all of them by default, one after the other)
#                         for SECONDS each (60 by default) under libFuzzer, built with clang in
#                         build-fuzz/. It works on a copy of the corpus in build-fuzz/corpus/TARGET;
#                         with QUILLORY_FUZZ_MERGE=1 the inputs that reach new code are merged into
#                         fuzz/corpus/TARGET afterwards. A failing input lands in
#                         build-fuzz/findings/TARGET/.
# QUILLORY_CMAKE_ARGS adds options to a fresh configuration (CI sets -DQUILLORY_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")"

# What every command needs: the compiler, Qt, libcurl, the fonts.
build_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins
  libcurl4-openssl-dev
  fonts-liberation2 fonts-wqy-microhei fontconfig
)
test_packages=(
  libgtest-dev
  # Servers the retrieval tests start on loopback, and the tools they and the benchmark use.
  lighttpd lighttpd-mod-openssl python3-pyftpdlib pygopherd openssl curl
  # Checks of the installed tree and of printed pages.
  desktop-file-utils appstream man-db groff-base poppler-utils
)
# CPack's Debian packages: dependencies from the linked libraries (dpkg-shlibdeps, file).
package_packages=(dpkg-dev file)

# install_missing_packages NAME...: installs those of the packages not yet installed.
install_missing_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build FOLDER [CMAKE OPTIONS...]: configures FOLDER once, then builds it.
build() {
  local folder=$1
  shift
  # shellcheck disable=SC2086 # QUILLORY_CMAKE_ARGS is a list of options
  [ -f "$folder/build.ninja" ] || cmake -S . -B "$folder" -G Ninja "$@" ${QUILLORY_CMAKE_ARGS:-}
  cmake --build "$folder"
}

run_tests() {
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" --output-on-failure -j "$(nproc)"
}

command=${1:-}
case "$command" in
  run)
    shift
    install_missing_packages "${build_packages[@]}" "${test_packages[@]}"
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec build/quillory "$@"
    ;;
  test)
    install_missing_packages "${build_packages[@]}" "${test_packages[@]}"
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_tests build
    ;;
  format-check)
    install_missing_packages clang-format-14
    git ls-files '*.cpp' '*.h' | grep -v '^fuzz/corpus/' | xargs clang-format-14 --dry-run --Werror
    ;;
  tidy)
    install_missing_packages "${build_packages[@]}" "${test_packages[@]}" clang-tidy-14
    # The build makes the generated headers (moc, resources) the sources include.
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    root=$(printf '%s' "$PWD" | sed 's/[][\.*^$()+?{}|]/\\&/g')
    run-clang-tidy-14 -p build -j "$(nproc)" -quiet "^$root/(?!build)"
    ;;
  sanitize)
    install_missing_packages "${build_packages[@]}" "${test_packages[@]}"
    # -O1 keeps the instrumented build and the tests quick; the first report ends the test.
    build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DQUILLORY_SANITIZE=ON -DQUILLORY_BENCHMARKS=OFF
    ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      run_tests build-sanitize
    ;;
  package)
    install_missing_packages "${build_packages[@]}" "${package_packages[@]}"
    build build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DQUILLORY_TESTS=OFF -DQUILLORY_BENCHMARKS=OFF
    rm -f build-package/quillory_*.deb
    (cd build-package && cpack -G DEB)
    rm -f quillory_*.deb
    cp build-package/quillory_*.deb .
    ls quillory_*.deb
    ;;
  fuzz)
    shift
    target=${1:-all}
    seconds=${2:-60}
    install_missing_packages "${build_packages[@]}" clang libclang-rt-14-dev
    build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLORY_FUZZ=ON \
      -DQUILLORY_GUI=OFF -DQUILLORY_BENCHMARKS=OFF
    targets=()
    if [ "$target" = all ]; then
      for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
    else
      targets=("$target")
    fi
    for t in "${targets[@]}"; do
      if [ ! -x "build-fuzz/fuzz/fuzz_$t" ]; then
        echo "no fuzz target $t; the targets are: $(ls fuzz/corpus | tr '\n' ' ')" >&2
        exit 2
      fi
      mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
      cp -n "fuzz/corpus/$t"/* "build-fuzz/corpus/$t"/
      echo "== $t: $seconds s"
      if ! "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
          -artifact_prefix="build-fuzz/findings/$t/" "build-fuzz/corpus/$t"; then
        echo "$t failed: the input is in build-fuzz/findings/$t/; replay it with build-fuzz/fuzz/fuzz_$t FILE" >&2
        exit 1
      fi
      if [ "${QUILLORY_FUZZ_MERGE:-0}" = 1 ]; then
        # Edge coverage only, so that a handful of small inputs joins the corpus.
        "build-fuzz/fuzz/fuzz_$t" -merge=1 -use_counters=0 "fuzz/corpus/$t" "build-fuzz/corpus/$t"
      fi
    done
    ;;
  *)
    echo "usage: ./dev.sh run [FILE] | ./dev.sh test | ./dev.sh sanitize | ./dev.sh format-check | ./dev.sh tidy | ./dev.sh package | ./dev.sh fuzz [TARGET] [SECONDS]" >&2
    exit 2
    ;;
esac
