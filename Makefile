# The two commands of a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2
PACKAGES   := cmake g++ ninja-build pkg-config libgtest-dev libcli11-dev libcsv-dev \
              qt6-base-dev qt6-multimedia-dev gstreamer1.0-plugins-good libgl-dev xvfb xauth \
              fonts-dejavu-core libreadstat-dev readstat

FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 300
FUZZ_JOBS    ?= 2
FUZZ_TARGETS := coder_file cursor coder_list label study import extract unique_respondents study_writer
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: all deps configure build test test-core-asan run bench shots clean fuzz fuzz-build fuzz-corpus

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

# The fuzz targets under libFuzzer (clang), FUZZ_SECONDS each, FUZZ_JOBS at
# a time. New inputs go to $(FUZZ_BUILD)/fuzz-corpus, findings to
# $(FUZZ_BUILD)/fuzz-findings; tests/fuzz/corpus only seeds them.
fuzz: fuzz-build
	@mkdir -p $(FUZZ_BUILD)/fuzz-findings
	@echo $(FUZZ_TARGETS) | tr ' ' '\n' | xargs -P $(FUZZ_JOBS) -I{} sh -c '\
	  mkdir -p $(FUZZ_BUILD)/fuzz-corpus/{} && \
	  $(FUZZ_BUILD)/tests/fuzz/fuzz_{} -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/fuzz-findings/{}- \
	    $(FUZZ_BUILD)/fuzz-corpus/{} tests/fuzz/corpus/{} > $(FUZZ_BUILD)/fuzz-findings/{}.log 2>&1 \
	  && echo "fuzz_{}: no finding" || { echo "fuzz_{}: FINDING, see $(FUZZ_BUILD)/fuzz-findings/{}.log"; exit 1; }'

# Each fuzz target once over its corpus, no mutation (ctest label "fuzz").
fuzz-corpus: fuzz-build
	cd $(FUZZ_BUILD) && ctest --output-on-failure -L fuzz -j$(JOBS)

fuzz-build:
	@missing=""; \
	for p in $(FUZZ_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi; \
	  $$sudo apt-get update && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y $$missing; \
	fi
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DOPENCODER_CORE_ONLY=ON -DOPENCODER_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --target fuzz_targets -j$(JOBS)

run: build
	@sh apps/run-demo.sh $(BUILD)

bench: build
	cmake --build $(BUILD) --target bench -j$(JOBS)

# The README's screenshots, drawn offscreen into docs/images.
shots: build
	cmake --build $(BUILD) --target shots -j$(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
