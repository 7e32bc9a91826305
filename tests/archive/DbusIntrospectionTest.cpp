#include "platform/posix/DbusIntrospection.h"

#include <gtest/gtest.h>

namespace aro::posix {
namespace {

using Methods = std::set<std::string>;

TEST(DbusIntrospectionTest, MethodsOfTheNamedInterfaceOfTheObjectOnly) {
    const std::string xml =
        R"(<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
 <interface name="org.freedesktop.DBus.Peer">
  <method name="Ping"/>
 </interface>
 <interface name="AroArcConnect.App">
  <method name="DoCheckInOut2">
   <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
  </method>
  <method name="EndOleServer"/>
  <property name="Version" type="s" access="read"/>
  <signal name="Filed"><arg type="s"/></signal>
 </interface>
 <node name="Child"/>
</node>)";
    EXPECT_EQ(DeclaredMethods(xml, "AroArcConnect.App"),
              (Methods{"DoCheckInOut2", "EndOleServer"}));
    EXPECT_EQ(DeclaredMethods(xml, "org.freedesktop.DBus.Peer"), Methods{"Ping"});
}

TEST(DbusIntrospectionTest, ChildNodesCommentsAndQuotingDoNotMislead) {
    const std::string xml = R"(<node>
 <!-- <interface name="A.B"><method name="InComment"/></interface> -->
 <interface name = 'A.B'>
  <annotation name="x" value="a > b"/>
  <method name='Real'/>
 </interface>
 <node name="child">
  <interface name="A.B"><method name="OfTheChild"/></interface>
 </node>
 <interface name="A.B.C"><method name="OtherInterface"/></interface>
</node>)";
    EXPECT_EQ(DeclaredMethods(xml, "A.B"), Methods{"Real"});
}

TEST(DbusIntrospectionTest, NothingIsKnownWithoutTheInterfaceOrFromBrokenText) {
    EXPECT_FALSE(DeclaredMethods("<node><interface name=\"X.Y\"/></node>", "A.B"));
    EXPECT_FALSE(DeclaredMethods("<node><interface name=\"A.B\"><method name=\"M\"", "A.B"));
    EXPECT_FALSE(DeclaredMethods("<node><!-- <interface name=\"A.B\"/>", "A.B"));
    EXPECT_FALSE(DeclaredMethods("", "A.B"));
    // Described, but without methods: every member is unknown.
    EXPECT_EQ(DeclaredMethods("<node><interface name=\"A.B\"/></node>", "A.B"), Methods{});
}

}  // namespace
}  // namespace aro::posix
