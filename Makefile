# The two commands of a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2
PACKAGES   := cmake g++ ninja-build pkg-config libgtest-dev libcli11-dev libcsv-dev \
              qt6-base-dev qt6-multimedia-dev libgl-dev xvfb xauth

.PHONY: all deps configure build test test-core-asan run bench clean

all: build

# Installs only what is missing; needs root (or sudo) the first time.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi; \
	  $$sudo apt-get update && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build test-core-asan
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The Qt-free core and its tests once more under ASan and UBSan.
test-core-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOPENCODER_CORE_ONLY=ON -DOPENCODER_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	@sh apps/run-demo.sh $(BUILD)

bench: build
	cmake --build $(BUILD) --target bench -j$(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
