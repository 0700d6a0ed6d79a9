# Set-up, build, run and test in one place. Every target installs what is missing first.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
REL   := build/release
ASAN  := build/asan
FUZZB := build/fuzz
DEB   := build/deb
FUZZ_SECONDS ?= 20

.PHONY: all deps deb-deps build run run-orlisk test test-release test-asan format-check fuzz \
	fuzz-short bench install-check smoke deb deb-check clean

all: build

deps:
	@scripts/setup-deps.sh

deb-deps:
	@scripts/setup-deps.sh --packaging

build: deps
	cmake -S . -B $(REL) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWERROR=ON
	cmake --build $(REL) -j $(JOBS)

# Starts Audrel (under Xvfb when there is no display, leaving its screenshots under build/).
run: build
	scripts/run-audrel.sh $(REL)

# Starts Orlisk (under Xvfb with a loopback sample camera when there is no display, leaving its
# screenshots under build/).
run-orlisk: build
	scripts/run-orlisk.sh $(REL)

# Every test: the whole build with warnings as errors, then the core again under ASan+UBSan.
test: test-release test-asan

test-release: build
	cd $(REL) && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWERROR=ON -DCORE_ONLY=ON -DSANITIZE=ON -DBENCH=OFF
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure --no-tests=error -j $(JOBS)

# Every tracked C++ file must read as .clang-format writes it.
format-check: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZB) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORE_ONLY=ON -DFUZZ=ON -DBENCH=OFF
	cmake --build $(FUZZB) -j $(JOBS)

# A short run of every fuzz target, seeded from the fixtures.
fuzz-short: fuzz
	scripts/fuzz-all.sh $(FUZZB) $(FUZZ_SECONDS)

# The benchmarks are off in a plain build; this switches them on in the release build.
bench: deps
	cmake -S . -B $(REL) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWERROR=ON -DBENCH=ON
	cmake --build $(REL) -j $(JOBS)
	scripts/bench-all.sh $(REL)

# Starts each program once offscreen and checks that it keeps running.
smoke: build
	scripts/smoke-start.sh $(REL)

# Installs into a scratch folder to check the install rules.
install-check: build
	rm -rf build/stage && DESTDIR=$(CURDIR)/build/stage cmake --install $(REL) --prefix /usr

# The Debian packages audrel and orlisk in $(DEB)/, built with dpkg-buildpackage from a copy of
# the tree (it writes its results beside the source folder). The tests are make test's job, so
# the package build leaves them out unless DEB_BUILD_OPTIONS is given.
DEB_BUILD_OPTIONS ?= nocheck
deb: deb-deps
	rm -rf $(DEB) && mkdir -p $(DEB)/src
	tar --exclude=./build --exclude=./.git --exclude='./obj-*' -cf - . | tar -C $(DEB)/src -xf -
	cd $(DEB)/src && DEB_BUILD_OPTIONS="$(DEB_BUILD_OPTIONS)" \
	  dpkg-buildpackage -b -us -uc $(if $(filter nocheck,$(DEB_BUILD_OPTIONS)),-Pnocheck)
	rm -rf $(DEB)/src
	@ls -l $(DEB)/*.deb

# The packages as a user gets them: lintian, the desktop and metainfo files, and both programs
# started from the unpacked packages.
deb-check: deb
	scripts/check-packages.sh $(DEB)

clean:
	rm -rf build
