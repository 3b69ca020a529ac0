# Thin wrapper over CMake. `make run` starts the viewer, `make test` runs every test.
BUILD    ?= build
JOBS     ?= $(shell nproc)
RUNDIR   := $(BUILD)/run
CMAKE_FLAGS ?=
# `make install`: the prefix and the staging root, as usual.
PREFIX   ?= /usr/local
DESTDIR  ?=
# The Debian package is built apart, with Debian's hardening flags and without the tests.
DEB_BUILD ?= build-deb
# Every time stamp in the package (member and archive times) is this one, by
# default the last commit's, so that two builds of one commit give the same
# .deb bit for bit wherever and whenever they run. CPack takes the modes of
# the archive's members and folders from the umask, hence 022 for its run.
SOURCE_DATE_EPOCH ?= $(shell git -C "$(CURDIR)" log -1 --format=%ct 2>/dev/null)

# Debian packages the build needs (what the tests' configure asks for
# included, Python and gdal_translate too: `make run` and `make test` share
# one build tree) and Mesa's driver for the viewer; then what the tests, the
# package and its checkers add.
BUILD_PACKAGES := build-essential cmake pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev \
            libgl1-mesa-dri libgtest-dev libpng-dev libgdal-dev libseccomp-dev python3 gdal-bin
PACKAGES := $(BUILD_PACKAGES) xvfb xauth \
            xdotool x11-utils x11-apps imagemagick openbox file dpkg-dev lintian \
            desktop-file-utils appstream mandoc weston xwayland wmctrl

# Tools of the checking targets below (bench, sanitize, fuzz, lint, soak).
DEV_PACKAGES := clang-14 libclang-rt-14-dev clang-tidy-14 cppcheck
ASAN_BUILD   ?= build-asan
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 120
SOAK_SECONDS ?= 600
BENCH_ARGS   ?=
LINT_DIRS    := base image overlay input app tools

.PHONY: all build run test deps clean install package validate test-install deps-dev bench \
        bench-surface sanitize fuzz lint soak screenshots deps-windows windows package-windows \
        test-windows deps-web web run-web test-web

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -z "$$missing" ]; then echo "deps: all packages present"; exit 0; fi; \
	if [ "$$(id -u)" -ne 0 ]; then \
	  echo "deps: missing packages; install them with:"; \
	  echo "  sudo apt-get install -y $$missing" | tr '\n' ' '; echo; exit 1; \
	fi; \
	echo "deps: installing $$missing"; \
	apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing

# A build tree counts as configured once CMake has generated it
# (cmake_install.cmake, for any generator): a configure that failed, for a
# missing package, leaves only CMakeCache.txt and is run again next time.
$(BUILD)/cmake_install.cmake:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/cmake_install.cmake
	cmake --build $(BUILD) -j $(JOBS)

# Installs what the build and the viewer need first (as root; otherwise it
# prints the apt-get line and stops), as `make test` does through deps.
run:
	@$(MAKE) --no-print-directory deps PACKAGES="$(BUILD_PACKAGES)"
	@$(MAKE) --no-print-directory build
	@mkdir -p $(RUNDIR)
	@cmp -s data/Qarns.Bmp $(RUNDIR)/Qarns.Bmp || cp data/Qarns.Bmp $(RUNDIR)/Qarns.Bmp
	cd $(RUNDIR) && ../qarn

test: deps
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure --timeout 900

clean:
	rm -rf $(BUILD) $(DEB_BUILD) $(WIN_BUILD) $(WEB_BUILD)

# ---- install and package ---------------------------------------------

# Binaries are stripped on install, as a system package's are.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

$(DEB_BUILD)/cmake_install.cmake:
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=None -DQARN_TESTS=OFF $(CMAKE_FLAGS)

package: deps $(DEB_BUILD)/cmake_install.cmake
	cmake --build $(DEB_BUILD) -j $(JOBS)
	rm -f $(DEB_BUILD)/qarn_*.deb
	@if [ -z "$(SOURCE_DATE_EPOCH)" ]; then \
	  echo "package: no commit time (not a git checkout) and no SOURCE_DATE_EPOCH:" \
	    "the archive's time stamps are the build time's"; fi
	cd $(DEB_BUILD) && umask 022 && SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) cpack -G DEB
	@ls -l $(DEB_BUILD)/qarn_*.deb

# The ecosystem's checkers on the files as the package ships them: the
# desktop entry, the AppStream metadata with the tree it names, the man pages
# and the package itself. The AppStream id is "qarn", not reverse-DNS: the
# project has no domain to build one from.
validate: package
	rm -rf $(DEB_BUILD)/unpacked
	dpkg-deb -x "$$(ls $(DEB_BUILD)/qarn_*.deb)" $(DEB_BUILD)/unpacked
	desktop-file-validate $(DEB_BUILD)/unpacked/usr/share/applications/qarn.desktop
	appstreamcli validate-tree --no-net --pedantic --override=cid-desktopapp-is-not-rdns=info \
	  $(DEB_BUILD)/unpacked
	mandoc -T lint -W warning docs/man/qarn.1 docs/man/qarn-mksurface.1
	lintian --fail-on error --display-info $(DEB_BUILD)/qarn_*.deb

# The installed program under Xvfb: a `make install` DESTDIR tree and the
# unpacked package; as root with QARN_DPKG_TEST=1 also dpkg -i and dpkg -r.
test-install: package build
	python3 tests/install/test_installed.py --deb "$$(ls $(DEB_BUILD)/qarn_*.deb)" --build $(BUILD)

# ---- checking targets -------------------------------------------------

deps-dev:
	@$(MAKE) --no-print-directory deps PACKAGES="$(DEV_PACKAGES)"

# Frame benchmark, on its own Xvfb when no display is set; then the second
# table on an Xvfb of 1920 x 1080 and the third on one of 3840 x 2160.
bench: build
	bash bench/with_display.sh $(BUILD)/bench data/Qarns.Bmp $(BUILD)/qarn-bench $(BENCH_ARGS)
	bash bench/with_display.sh --screen 1920x1080 $(BUILD)/bench-wide data/Qarns.Bmp \
	  $(BUILD)/qarn-bench --table wide $(BENCH_ARGS)
	bash bench/with_display.sh --screen 3840x2160 $(BUILD)/bench-uhd data/Qarns.Bmp \
	  $(BUILD)/qarn-bench --table uhd --frames 20 --reps 5 $(BENCH_ARGS)

# The surface tool against gdal_translate on two large generated maps, kept
# in $(BUILD)/bench-surface (about 600 MB; not in CI).
bench-surface: build
	python3 bench/surface.py --tool $(BUILD)/tools/qarn-mksurface \
	  --gen $(BUILD)/qarn-bench-surface-gen --dir $(BUILD)/bench-surface

# Unit and end-to-end tests once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report stops the process that made it.
# Leak checking is off for the viewer runs only: at exit Mesa's DRI driver
# is unloaded with the memory it still holds, which LeakSanitizer then
# reports from an unknown module (no frame of ours, nothing to suppress by).
ASAN_OPTS  := detect_stack_use_after_return=1:strict_string_checks=1
UBSAN_OPTS := print_stacktrace=1:halt_on_error=1
sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DQARN_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=$(ASAN_OPTS) UBSAN_OPTIONS=$(UBSAN_OPTS) \
	  ctest --output-on-failure --timeout 1800 -LE e2e
	cd $(ASAN_BUILD) && ASAN_OPTIONS=$(ASAN_OPTS):detect_leaks=0 UBSAN_OPTIONS=$(UBSAN_OPTS) \
	  ctest --output-on-failure --timeout 1800 -L e2e

# libFuzzer on the surface-image reader, then on the map converter, for
# FUZZ_SECONDS each; a crash, a hang (-timeout) or a memory blow-up
# (-rss_limit_mb) leaves its input in $(FUZZ_BUILD)/artifacts and fails the
# target. The seed corpora are written by the build's own generators.
FUZZ_FLAGS = -max_total_time=$(FUZZ_SECONDS) -timeout=20 -print_final_stats=1 \
  -artifact_prefix=$(FUZZ_BUILD)/artifacts/
fuzz: deps-dev
	cmake -S tests/fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@mkdir -p $(FUZZ_BUILD)/seeds $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/artifacts \
	  $(FUZZ_BUILD)/mks-seeds $(FUZZ_BUILD)/mks-corpus
	$(FUZZ_BUILD)/qarn-fuzz-seeds $(FUZZ_BUILD)/seeds
	$(FUZZ_BUILD)/qarn-fuzz-bmp $(FUZZ_FLAGS) -rss_limit_mb=2048 \
	  $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/seeds
	$(FUZZ_BUILD)/qarn-fuzz-mksurface-seeds $(FUZZ_BUILD)/mks-seeds
	$(FUZZ_BUILD)/qarn-fuzz-mksurface $(FUZZ_FLAGS) -rss_limit_mb=1024 -max_len=16384 \
	  $(FUZZ_BUILD)/mks-corpus $(FUZZ_BUILD)/mks-seeds </dev/null

# The folders' layering (every include points down, no circle; the rule is
# in tests/check_layers.py), clang-tidy (checks in .clang-tidy) over the
# sources of the Linux build (the *_win32.cpp and the web's files are not in
# its compile database), cppcheck over all.
lint: deps-dev $(BUILD)/cmake_install.cmake
	python3 tests/check_layers.py
	@files=$$(find $(LINT_DIRS) -name '*.cpp' ! -name '*_win32.cpp' ! -name '*_web.cpp' ! -path 'app/web/*' | sort); \
	echo "clang-tidy: $$(echo $$files | wc -w) files"; \
	echo $$files | xargs -n 1 -P $(JOBS) clang-tidy-14 -p $(BUILD) --quiet \
	  >$(BUILD)/clang-tidy.log 2>&1; \
	grep -v 'warnings\? generated\.$$' $(BUILD)/clang-tidy.log; \
	if grep -qE '(warning|error):' $(BUILD)/clang-tidy.log; then \
	  echo "lint: clang-tidy found problems"; exit 1; fi
	cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ -I . \
	  --enable=warning,performance,portability --inline-suppr \
	  --suppress=missingIncludeSystem $(LINT_DIRS)
	@echo "lint: clean"

# The viewer for SOAK_SECONDS in auto mode under bursts of input (not in CI).
soak: build
	python3 tests/e2e/soak.py --seconds $(SOAK_SECONDS) --bin $(BUILD)/qarn

# The README pictures in docs/ and the icon in packaging/icons/, from the
# viewer on its own Xvfb; each frame is checked before anything is written.
screenshots: build
	PYTHONPATH=tests/e2e python3 docs/screenshots.py --bin $(BUILD)/qarn

# ---- Windows ------------------------------------------------------------

# qarn.exe cross-built with MinGW-w64 on freeglut from Debian's source
# package (cmake/windows/fetch-freeglut.sh), its NSIS installer, its GL-free
# unit tests under Wine, and the
# end-to-end tests of both under Wine on Xvfb.
WIN_BUILD    ?= build-win
WIN_PACKAGES := g++-mingw-w64-x86-64 wine wine64 nsis dpkg-dev cmake python3 xvfb xauth xdotool \
                x11-utils imagemagick icoutils openbox x11-apps googletest
WIN_TOOLCHAIN := cmake/windows/mingw-w64-x86_64.cmake

deps-windows:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WIN_PACKAGES)"

$(WIN_BUILD)/freeglut/lib/libfreeglut_static.a:
	JOBS=$(JOBS) bash cmake/windows/fetch-freeglut.sh $(WIN_BUILD)/freeglut

$(WIN_BUILD)/cmake_install.cmake: | $(WIN_BUILD)/freeglut/lib/libfreeglut_static.a
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release \
	  $(CMAKE_FLAGS)

windows: deps-windows $(WIN_BUILD)/cmake_install.cmake
	cmake --build $(WIN_BUILD) -j $(JOBS)
	@ls -l $(WIN_BUILD)/qarn.exe

# The installer, the portable zip (the installed files and a README.txt)
# and SHA256SUMS of both. The build's time stamps come from
# SOURCE_DATE_EPOCH, the last commit's time when it is not given.
package-windows: windows
	rm -rf $(WIN_BUILD)/qarn-*-win64.exe $(WIN_BUILD)/qarn-*-win64.zip $(WIN_BUILD)/SHA256SUMS \
	  $(WIN_BUILD)/zip-stage
	export SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH); \
	version=$$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' $(WIN_BUILD)/CMakeCache.txt); \
	(cd $(WIN_BUILD) && cpack -G NSIS) && \
	cmake --install $(WIN_BUILD) --prefix $(WIN_BUILD)/zip-stage --strip >/dev/null && \
	python3 packaging/windows/make-zip.py --stage $(WIN_BUILD)/zip-stage \
	  --readme packaging/windows/README.txt --version $$version --epoch $$SOURCE_DATE_EPOCH \
	  --out $(WIN_BUILD)/qarn-$$version-win64.zip
	cd $(WIN_BUILD) && sha256sum qarn-*-win64.exe qarn-*-win64.zip >SHA256SUMS
	@ls -l $(WIN_BUILD)/qarn-*-win64.exe $(WIN_BUILD)/qarn-*-win64.zip

test-windows: package-windows build
	cd $(WIN_BUILD) && ctest --output-on-failure --timeout 900
	python3 tests/e2e/test_windows.py --exe $(WIN_BUILD)/qarn.exe \
	  --installer "$$(ls $(WIN_BUILD)/qarn-*-win64.exe)" --linux-bin $(BUILD)/qarn

# ---- The web ------------------------------------------------------------

# The viewer as a page in build-web/ (index.html, .js, .wasm, .data with
# Qarns.Bmp), built with Debian's emscripten; `make run-web` serves it on
# 127.0.0.1, `make test-web` drives it in Debian's headless Chromium. The
# font comes from freeglut's Debian source (cmake/windows/fetch-freeglut.sh
# --font). A newer node outside Debian on the PATH cannot find Debian's
# acorn, hence NODE_PATH.
WEB_BUILD    ?= build-web
WEB_PORT     ?= 8032
WEB_PACKAGES := emscripten cmake python3 dpkg-dev
WEB_TEST_PACKAGES := chromium chromium-driver python3-selenium xvfb imagemagick
web test-web: export NODE_PATH := /usr/share/nodejs

deps-web:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"

$(WEB_BUILD)/freeglut-font/fg_font_data.c:
	bash cmake/windows/fetch-freeglut.sh --font $(WEB_BUILD)/freeglut-font

$(WEB_BUILD)/cmake_install.cmake: | $(WEB_BUILD)/freeglut-font/fg_font_data.c
	emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

web: deps-web $(WEB_BUILD)/cmake_install.cmake
	cmake --build $(WEB_BUILD) -j $(JOBS)
	@ls -l $(WEB_BUILD)/index.html $(WEB_BUILD)/index.js $(WEB_BUILD)/index.wasm $(WEB_BUILD)/index.data

run-web: web
	@echo "qarn: http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C ends the server)"
	cd $(WEB_BUILD) && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1

# Debian's python3 runs the tests: python3-selenium is installed for it.
test-web: web build
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_TEST_PACKAGES)"
	cmake -S . -B $(BUILD) -DQARN_FREEGLUT_FONT_DIR=$(abspath $(WEB_BUILD)/freeglut-font) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target qarn-fonttable
	/usr/bin/python3 tests/e2e/test_web.py --page $(WEB_BUILD) --linux-bin $(BUILD)/qarn
