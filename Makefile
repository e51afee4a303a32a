# The two set-up commands are `make run` and `make test`; everything else is a helper.
BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE      ?= samples/pocket.nc
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-sanitize fuzz bench screenshot format clean

all: build

deps:
	@sh tools/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  echo "make run: no display here; 'make screenshot' shows the editor under Xvfb" >&2; exit 1; fi
	./$(BUILD)/kestrum-milling "$(SAMPLE)"

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(BUILD_ASAN)/build.ninja: | deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_SANITIZE=ON \
	  -DKESTRUM_BUILD_BENCH=OFF $(CMAKE_FLAGS)

test-sanitize: deps $(BUILD_ASAN)/build.ninja
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

$(BUILD_FUZZ)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DKESTRUM_FUZZ=ON $(CMAKE_FLAGS)

# Each fuzzer for FUZZ_SECONDS; what they find is kept in tests/data/fuzz/.
fuzz: deps $(BUILD_FUZZ)/build.ninja
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	bash fuzz/run.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

bench: build
	sh bench/throughput.sh $(BUILD)

screenshot: build
	sh tools/screenshot.sh $(BUILD)

.PHONY: install package check-package

# Installs into PREFIX (DESTDIR=/some/root stages it there), then tells the desktop about the
# new application and file type.
PREFIX      ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	@if [ -z "$(DESTDIR)" ]; then \
	  command -v update-desktop-database >/dev/null && \
	    update-desktop-database -q "$(PREFIX)/share/applications" || true; \
	  command -v update-mime-database >/dev/null && \
	    update-mime-database "$(PREFIX)/share/mime" || true; \
	fi

# The .deb: a release build of its own with Debian's hardening flags, only the programs and
# the installed files built (the tests ran in BUILD), for /usr.
BUILD_DEB   ?= build-deb
$(BUILD_DEB)/build.ninja: | deps
	DEB_BUILD_MAINT_OPTIONS=hardening=+all; export DEB_BUILD_MAINT_OPTIONS; \
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(BUILD_DEB) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DKESTRUM_BUILD_BENCH=OFF $(CMAKE_FLAGS)

package: deps $(BUILD_DEB)/build.ninja
	cmake --build $(BUILD_DEB) -j $(JOBS) --target kestrum-convert kestrum-milling \
	  kestrum_install_data
	cd $(BUILD_DEB) && cpack -G DEB
	@ls -l $(BUILD_DEB)/*.deb

# What CI checks of the package: installed programs run, desktop files valid, lintian clean.
check-package: package
	sh tools/check-package.sh $(BUILD_DEB)/kestrum-milling_*.deb

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) $(BUILD_DEB)
