# The link: frame codec, the socket transport against scripted servers, the item link's order of
# transactions, and the stand-in as a real process.
if(NOT WIN32)
    fvt_add_test(link_tests
        SOURCES FrameDecoderTest.cpp UnixSocketTransportTest.cpp DdeClientItemTest.cpp
                StandInTest.cpp
        LIBS fvt_link)
    if(TARGET buh-standin)
        add_dependencies(link_tests buh-standin)
    endif()
endif()
