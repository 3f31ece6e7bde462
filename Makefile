# SPDX-License-Identifier: GPL-3.0-or-later
# Front door: `make run` builds and starts the program, `make test` builds and runs every test.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
GENERATOR ?= Ninja
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 120
# Warnings are errors in CI (CI=true is set there).
WERROR := $(if $(CI),ON,OFF)
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps configure build run test test-plain test-sanitizers package bench fuzz format clean \
	windows test-windows test-windows-if-present package-windows test-spreadsheet

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTAGMERE_WERROR=$(WERROR)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/bin/tagmere

# The suite runs twice: as built, and built with AddressSanitizer and UBSan.
test: test-plain test-sanitizers test-windows-if-present

test-plain: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

test-sanitizers: deps
	cmake -S . -B $(ASAN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DTAGMERE_WERROR=$(WERROR) \
		-DTAGMERE_SANITIZE=ON
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The Debian package, tagmere_VERSION_ARCH.deb in $(PACKAGE_BUILD): programs stripped, manual
# pages, completion, menu entry, icons. `make test` checks it with lintian when lintian is
# installed. Built in a folder of its own with Debian's hardening flags (fortified functions,
# stack protector, full RELRO with bind-now), which the everyday and sanitizer builds leave out.
PACKAGE_BUILD ?= $(BUILD)-package
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTAGMERE_WERROR=$(WERROR) \
		-DTAGMERE_BUILD_TESTS=OFF "-DCMAKE_CXX_FLAGS=$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
		"-DCMAKE_EXE_LINKER_FLAGS=$$($(DEB_FLAGS) LDFLAGS)"
	cmake --build $(PACKAGE_BUILD)
	cd $(PACKAGE_BUILD) && cpack -G DEB

bench: build
	bench/run.sh $(BUILD)

# The table through LibreOffice and back; installs it on first use, so `make test` need not.
test-spreadsheet: build
	scripts/install-deps spreadsheet
	python3 tests/cli/spreadsheet.py $(BUILD)/bin/tagmere-cli

# Runs each libFuzzer target for FUZZ_SECONDS; findings land in tests/fuzz/corpus.
fuzz: deps
	scripts/install-deps fuzz
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGMERE_FUZZ=ON
	cmake --build $(FUZZ_BUILD)
	scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

# tagmere-cli.exe for 64-bit Windows (static, no DLLs), cross-built with MinGW-w64; its
# tests run it under wine64 in a wine folder of its own. tagmere.exe, the window, is built
# too (static, Qt and its windows platform plugin inside) once a Qt for Windows is in
# QT_WINDOWS: `scripts/install-deps windows-gui` builds one there, once. make windows never
# starts that build itself, it takes about 20 minutes.
WINDOWS_BUILD ?= build-windows
WINDOWS_GUI_BUILD ?= build-windows-gui
QT_WINDOWS ?= $(shell scripts/build-qt-windows --print-prefix)
VERSION := $(shell sed -n 's/^project.tagmere VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
NO_QT_WINDOWS = no Qt for Windows in $(QT_WINDOWS); run scripts/install-deps windows-gui (about 20 minutes, once)
WINE ?= $(firstword $(wildcard /usr/lib/wine/wine64 /usr/bin/wine64) wine64)
# DEPS=--check (as make test sets it) installs nothing: what is missing is named instead.
DEPS ?=
windows:
	scripts/install-deps $(DEPS) windows
	cmake -S . -B $(WINDOWS_BUILD) -G $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
		-DCMAKE_BUILD_TYPE=Release -DTAGMERE_WERROR=$(WERROR) -DTAGMERE_BUILD_GUI=OFF -DTAGMERE_BUILD_TESTS=OFF
	cmake --build $(WINDOWS_BUILD) --target tagmere-cli
	@if scripts/build-qt-windows --check; then \
		set -x; \
		cmake -S . -B $(WINDOWS_GUI_BUILD) -G $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
			-DCMAKE_BUILD_TYPE=Release -DTAGMERE_WERROR=$(WERROR) -DTAGMERE_BUILD_GUI=ON -DTAGMERE_BUILD_TESTS=ON \
			-DCMAKE_CROSSCOMPILING_EMULATOR=$(WINE) -DCMAKE_PREFIX_PATH=$(QT_WINDOWS) -DQT_HOST_PATH=/usr \
			-DQT_HOST_PATH_CMAKE_DIR=/usr/lib/$$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/cmake && \
		cmake --build $(WINDOWS_GUI_BUILD) --target tagmere; \
	else \
		echo "tagmere.exe skipped: $(NO_QT_WINDOWS)"; \
	fi

WINESERVER ?= $(firstword $(wildcard /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver) wineserver)
test-windows: windows
	@# A new wine folder is set up (and its helpers print and sometimes crash) on first use:
	@# that happens here, once and quietly, not inside the first cases.
	WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wine WINEDEBUG=-all $(WINE) wineboot --init >/dev/null 2>&1 || true
	WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wine $(WINESERVER) -w || true
	WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wine WINEDEBUG=-all \
		python3 tests/cli/contract.py --wine $(WINE) $(WINDOWS_BUILD)/bin/tagmere-cli.exe $(VERSION)
	@if ! scripts/build-qt-windows --check; then \
		echo "window tests for Windows skipped: $(NO_QT_WINDOWS)"; \
	elif ! missing=$$(scripts/install-deps --check windows-gui) && [ -n "$(DEPS)" ]; then \
		echo "window tests for Windows skipped: $$missing (make test-windows installs them)"; \
	else \
		set -x; \
		scripts/install-deps windows-gui && \
		cmake --build $(WINDOWS_GUI_BUILD) --target tests/ui/all tests/app/all && \
		scripts/test-windows-gui $(WINDOWS_GUI_BUILD) $(WINE) $(WINESERVER); \
	fi

# make test runs the Windows tests where MinGW-w64 and wine are installed already, and says
# they were skipped, and why, where not: it never installs them (a fresh machine, as CI's,
# would spend minutes on it), and never builds Qt for Windows.
test-windows-if-present:
	@if missing=$$(scripts/install-deps --check windows); then \
		$(MAKE) --no-print-directory test-windows DEPS=--check; \
	else \
		echo "Windows tests skipped: $$missing (make test-windows installs them)"; \
	fi

# The Windows ZIP and installer in $(WINDOWS_PACKAGE), then checked under wine64 in a wine
# folder of its own: the ZIP's files, a silent install, both programs started, a silent uninstall.
WINDOWS_PACKAGE ?= build-windows-package
package-windows: windows
	scripts/install-deps package-windows
	scripts/package-windows $(WINDOWS_PACKAGE) $(WINDOWS_BUILD) $(WINDOWS_GUI_BUILD)
	tests/packaging/windows-package.sh $(WINDOWS_PACKAGE)/tagmere-setup-$(VERSION).exe \
		$(WINDOWS_PACKAGE)/tagmere-$(VERSION)-windows-x86_64.zip $(VERSION)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(WINDOWS_GUI_BUILD) $(WINDOWS_PACKAGE) $(PACKAGE_BUILD)
