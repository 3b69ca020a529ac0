# Thin wrapper over CMake. `make run` starts the viewer, `make test` runs every test.
BUILD    ?= build
JOBS     ?= $(shell nproc)
RUNDIR   := $(BUILD)/run
CMAKE_FLAGS ?=

# Debian packages the build and the tests need.
PACKAGES := build-essential cmake pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev \
            libgl1-mesa-dri libgtest-dev libpng-dev python3 xvfb xauth xdotool x11-utils \
            x11-apps imagemagick

.PHONY: all build run test deps clean

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

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@mkdir -p $(RUNDIR)
	@cmp -s data/Qarns.Bmp $(RUNDIR)/Qarns.Bmp || cp data/Qarns.Bmp $(RUNDIR)/Qarns.Bmp
	cd $(RUNDIR) && ../qarn

test: deps
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure --timeout 900

clean:
	rm -rf $(BUILD)
