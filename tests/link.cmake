# The link: frame codec, the socket transport against scripted servers, the item link's order of
# transactions, and the stand-in as a real process.
if(NOT WIN32)
    fvt_add_test(link_tests
        SOURCES FrameDecoderTest.cpp UnixSocketTransportTest.cpp WineBridgeTransportTest.cpp
                DdeClientItemTest.cpp StandInTest.cpp
        LIBS fvt_link fvt_dde_server)
    if(TARGET buh-standin)
        add_dependencies(link_tests buh-standin)
    endif()
endif()

# The program's link library is the client only: no server side in it, and no Qt Network.
if(NOT WIN32)
    get_target_property(fvt_link_libs fvt_link LINK_LIBRARIES)
    add_test(NAME link_library_is_client_only
        COMMAND sh -c "nm -C \"$1\" | grep -q -e DdeServer -e QLocalServer && exit 1
                       case \"$2\" in *Network*) exit 1 ;; esac" sh
                $<TARGET_FILE:fvt_link> "${fvt_link_libs}")
endif()
