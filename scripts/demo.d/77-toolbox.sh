# The toolbox in the host, offscreen: 32 tools from both catalogue files and
# six advertisements; the host opens the toolbox, the strip turns its page,
# a click on the first tool opens the sample plug-in. The two pictures of the
# toolbox go to docs/screenshots.
step "Toolbox ZEVAPlug_TreasureBox in the host (offscreen; screenshots in docs/screenshots)"
ZEVA_TOOLBOX_SHOTS="$PWD/docs/screenshots" QT_QPA_PLATFORM=offscreen \
    timeout 120 "$bin/toolbox_host_tests" --gtest_brief=1
ls -l docs/screenshots/toolbox-*.png
